#pragma once

#include <QString>

class QWidget;

// The window's modal boxes and its folder chooser. Everything that waits for the
// user goes through here, so a test can answer in advance instead of blocking.
class CDialogServices {
public:
    enum class Icon { Exclamation, Error, Information };

    CDialogServices() = default;
    virtual ~CDialogServices() = default;
    CDialogServices(const CDialogServices&) = delete;
    CDialogServices& operator=(const CDialogServices&) = delete;

    // A Yes/No box with the question icon; true for Yes.
    virtual bool AskYesNo(QWidget* parent, const QString& text) = 0;
    // An OK box.
    virtual void ShowMessage(QWidget* parent, const QString& text, Icon icon) = 0;
    // The chosen folder, or an empty string when the user cancelled.
    virtual QString BrowseForFolder(QWidget* parent) = 0;
};

// The real boxes, captioned with the application's name, and the desktop's
// folder chooser.
class CQtDialogServices final : public CDialogServices {
public:
    bool AskYesNo(QWidget* parent, const QString& text) override;
    void ShowMessage(QWidget* parent, const QString& text, Icon icon) override;
    QString BrowseForFolder(QWidget* parent) override;
};
