#pragma once

#include <QString>
#include <optional>

/// The login name of the user running the program, or an empty string when the system cannot
/// tell (no password entry and no USER variable).
QString LoginUserName();

/// Tests: makes LoginUserName() return name (an empty one simulates a system that cannot
/// tell); std::nullopt asks the system again.
void OverrideLoginUserName(std::optional<QString> name);
