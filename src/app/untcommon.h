#pragma once

// The common utilities. One header; behind it one file each for program paths, validation,
// pictures, help and the start-at-login entry, countries, and the small helpers below.

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

/// The program folder (with its closing separator) or a fixed path under it. For a portable
/// copy (a writable Profiles/ beside the executable) all of them are beside the executable;
/// for an installed one the program's own files (the program folder, Help/) are in the
/// installed data folder and the user's (Profiles/, report.html) in the user's data folder.
QString GetProgramPath(int kind);
/// Where the user's own files other than profiles live (report.html, the proxy store): the
/// program folder of a portable copy, the user's data folder of an installed one.
QString GetUserDataFolder();
/// Points the executable's folder somewhere else (tests); an empty folder restores the real one.
void SetProgramFolder(const QString &folder);
/// The file that holds the machine-wide settings where the system has no registry: in the
/// program folder of a portable copy, the user's data folder of an installed one.
QString MachineSettingsFile();
/// Points that file somewhere else (tests); an empty path restores the default.
void SetMachineSettingsFile(const QString &path);

/// The title of the application: caption of the general error box.
inline constexpr char ApplicationTitle[] = "Quenlark Calbrey Beta 5";

int ShowMessageBox(const QString &text, const QString &caption, int flags);
/// The text of the general error box: the message, with a full stop appended when its last
/// character sorts after the full stop.
QString GeneralErrorText(const QString &message);
/// Shows the general error box (caption the application title, error icon, OK).
void ShowGeneralError(const QString &message);
/// The e-mail check: an "@" with a full stop after it (the empty address passes).
bool PassesEmailCheck(const QString &address);
/// The web address check: "http://" or "https://" in it, any case (the empty one passes).
bool PassesUrlCheck(const QString &url);
/// True when address passes the e-mail check or the user accepts it; validateEmails is the
/// profile's setting (off: every address passes unasked).
bool ValidateEmail(const QString &address, bool validateEmails);
/// The same for a web address and the profile's ValidateUrls setting.
bool ValidateUrl(const QString &url, bool validateUrls);
void OpenHelpTopic(const QString &topic);
/// Brings the start-at-login entry into line with the profile's LoadOnStartup setting.
void UpdateRunKey(bool loadOnStartup);
QString GetWindowsUserName();
bool PathExists(const QString &path);
bool IsDotOrDotDot(const QString &name);
void LoadCountryList(QStringList &list);
/// The number of contact pictures and their size in pixels.
inline constexpr int UserIconCount = 25;
inline constexpr int UserIconSize = 32;
/// 25 pictures; entry i is the picture of aIcon value i.
void LoadUserIconList(QList<QImage> &list);
/// The picture of aIcon value n (side by side logical pixels, drawn for a screen of that pixel
/// ratio, transparent); a null image for n outside 0 to 24.
QImage LoadUserIcon(int n, int side = UserIconSize, qreal devicePixelRatio = 1.0);
/// A named picture of the program's own, made transparent by its bottom-right pixel. Throws
/// CalbreyError ("Resource <name> not found") when there is none of that name; bitmap is then
/// unchanged.
void LoadResourceBitmap(const QString &resourceName, QImage &bitmap);
/// Makes every pixel of the colour of the bottom-right pixel transparent (what each bitmap
/// LoadResourceBitmap and LoadUserIcon give goes through).
void MakeBitmapTransparent(QImage &bitmap);
/// The pixel ratio of the program's screens (1 without a screen).
qreal ScreenPixelRatio();
/// The SVG file (usually a resource) drawn into a picture of size logical pixels for a screen
/// of that pixel ratio: sharp on high-density screens. A null image when the file is missing
/// or not a picture; an empty size takes the picture's own.
QImage RenderSvgPicture(const QString &path, QSize size, qreal devicePixelRatio = 1.0);
/// Adds the lines of the text file to the end of list; throws "Cannot open file <name>".
void AppendFileLines(QStringList &list, const QString &fileName);
/// The lines of text: they end with CR LF, LF or a lone CR, and a last line end adds no empty
/// line, so the empty text has none.
QStringList SplitTextLines(QString text);
QString ReplaceChar(const QString &text, QChar character, const QString &replacement);
