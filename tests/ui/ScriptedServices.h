#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

#include "ui/DialogServices.h"

// Answers the window's boxes and chooser from queues filled in advance and
// records what was shown. A question nobody answered counts as unexpected and
// gets No (or no folder): a test never blocks on a box.
class CScriptedServices final : public CDialogServices {
public:
    struct Shown {
        QString text;
        Icon icon;
    };

    bool AskYesNo(QWidget* /*parent*/, const QString& text) override {
        questions << text;
        if (answers.empty()) {
            unexpected = true;
            return false;
        }
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void ShowMessage(QWidget* /*parent*/, const QString& text, Icon icon) override {
        messages.push_back(Shown{text, icon});
    }
    QString BrowseForFolder(QWidget* /*parent*/) override {
        ++browseCalls;
        if (folders.empty()) {
            unexpected = true;
            return QString();
        }
        const QString folder = folders.front();
        folders.pop_front();
        return folder;
    }

    std::deque<bool> answers;
    std::deque<QString> folders;  // "" stands for a cancelled chooser
    QStringList questions;
    std::vector<Shown> messages;
    int browseCalls = 0;
    bool unexpected = false;
};
