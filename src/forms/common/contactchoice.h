#pragma once

#include <QString>
#include <optional>

class QRadioButton;

/// The "Selected contact" choice of an export dialog: the contact's name after its caption
/// (cut short in the middle when long), and disabled when no contact is selected.
void SetUpSelectedContactChoice(QRadioButton &choice, const std::optional<QString> &selected);
