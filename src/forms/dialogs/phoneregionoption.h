#pragma once

#include <QObject>

class QComboBox;
class QVBoxLayout;
class TProfile;

/// The options dialog's "Phone numbers" group: the region in which a phone number written
/// without its country code is read when numbers are compared (the duplicate finder). The
/// first entry follows the country of the user's locale.
class TPhoneRegionOption : public QObject
{
    Q_OBJECT

public:
    /// Adds the group to page at index.
    TPhoneRegionOption(QVBoxLayout &page, int index, QWidget *parent);

    void Load(const TProfile &profile);
    void Store(TProfile &profile) const;

private:
    QComboBox *cbPhoneRegion;
};
