#pragma once

#include <QDialog>
#include <QPlainTextEdit>
#include <memory>

/// The paged dialog that adds a contact to the active profile or modifies one.
class TAddModifyUser : public QDialog
{
    Q_OBJECT

public:
    explicit TAddModifyUser(QWidget *parent = nullptr);
    ~TAddModifyUser() override;

    /// modify false: add mode (name ignored); true: modify the existing contact name.
    void PrepareForContact(bool modify, const QString &name);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormCreate();
    void aContactNameChange();
    void wCompanyChange();
    void Button1Click();
    bool CheckInput();
    void SaveContact();
    void ToolButton2Click();
    void ToolButton3Click();

    struct Private;
    std::unique_ptr<Private> d;
};

/// The notes memo: typing and pasting stop at MaxTypedLength characters, while text put in by
/// the program (stored notes, a loaded file) may be longer and is kept whole.
class TNotesMemo : public QPlainTextEdit
{
    Q_OBJECT

public:
    using QPlainTextEdit::QPlainTextEdit;
    static constexpr int MaxTypedLength = 2000;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;
    void inputMethodEvent(QInputMethodEvent *event) override;

private:
    /// Characters that may still be typed in place of the current selection.
    int room() const;
};
