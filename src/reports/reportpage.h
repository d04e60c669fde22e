#pragma once

#include <QString>

/// The page as Qt's rich text lays it out the way browsers do. Two of its habits differ: it
/// ends a BLOCKQUOTE opened just before a FONT's end tag together with the FONT, and it puts
/// text that follows a nested BLOCKQUOTE at the page's left edge instead of its own block's
/// indent. So such a FONT ends first, and such text gets a block (DIV) of its own. The file
/// itself is not changed.
QString BrowserLayout(QString page);

/// The start of a long report page, cut where one contact ends and the next begins, with the
/// page's open elements closed: what the viewer shows at once while it lays out the whole page.
/// Empty when the page is short enough to be laid out at once, or has no such place to cut.
QString ReportFirstPage(const QString &page);
