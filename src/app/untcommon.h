#pragma once

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

enum TProgramPathKind
{
    ppProgramFolder = 0,
    ppProgramFolder1 = 1,
    ppProfiles = 2,
    ppHelp = 3,
    ppReporter = 4,
    ppReportHtml = 5,
    ppReportDef = 6,
    ppCsvDef = 7,
};

/// The program folder (with its closing separator) or a fixed path under it.
QString GetProgramPath(int kind);
/// Points the program folder somewhere else (tests); an empty folder restores the real one.
void SetProgramFolder(const QString &folder);

/// The title of the application: caption of the general error box.
inline constexpr char ApplicationTitle[] = "Quenlark Calbrey Beta 5";

int ShowMessageBox(const QString &text, const QString &caption, int flags);
/// The text of the general error box: the message, with a full stop appended when its last
/// character sorts after the full stop.
QString GeneralErrorText(const QString &message);
/// Shows the general error box (caption the application title, error icon, OK).
void ShowGeneralError(const QString &message);
bool ValidateEmail(const QString &address);
bool ValidateUrl(const QString &url);
void OpenHelpTopic(const QString &topic);
void UpdateRunKey();
QString GetWindowsUserName();
bool PathExists(const QString &path);
bool IsDotOrDotDot(const QString &name);
void LoadCountryList(QStringList &list);
/// The number of contact pictures and their size in pixels.
inline constexpr int UserIconCount = 25;
inline constexpr int UserIconSize = 32;
/// 25 pictures; entry i is the picture of aIcon value i.
void LoadUserIconList(QList<QImage> &list);
/// The picture of aIcon value n (32 by 32, transparent); a null image for n outside 0 to 24.
QImage LoadUserIcon(int n);
/// A named picture of the program's own, made transparent by its bottom-right pixel.
bool LoadResourceBitmap(const QString &resourceName, QImage &bitmap);
/// Makes every pixel of the colour of the bottom-right pixel transparent (what each bitmap
/// LoadResourceBitmap and LoadUserIcon give goes through).
void MakeBitmapTransparent(QImage &bitmap);
/// Adds the lines of the text file to the end of list; throws "Cannot open file <name>".
void AppendFileLines(QStringList &list, const QString &fileName);
QString ReplaceChar(const QString &text, QChar character, const QString &replacement);
