#pragma once

#include <QByteArrayView>
#include <optional>

/// The program's own build number, which the update check compares with the newest.
inline constexpr int OwnBuildNumber = 40;
/// The plain text file on the maker's web server that holds the newest build number.
inline constexpr char UpdateVersionAddress[] = "http://www.quenlark.example/calbrey/version.txt";
/// The maker's web page, where new versions are offered.
inline constexpr char MakerWebPageAddress[] = "https://www.quenlark.example/calbrey/";

/// The build number a version file holds: its whole body is one integer, decimal or "$"
/// hexadecimal, with blanks and a sign allowed before it and nothing at all after it (not
/// even a line break). nullopt for any other body.
std::optional<int> ParseBuildNumber(QByteArrayView body);
