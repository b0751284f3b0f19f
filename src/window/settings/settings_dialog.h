// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/settings.h"
#include "ui_services.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QSpinBox;

namespace quorvane {

// "设置": the sites, the update check, the proxy list and how many runs the history keeps. 确定 writes
// the settings file whole and accepts only when every value is sound; 取消 writes nothing.
class SettingsDialog final : public QDialog {
    Q_OBJECT
public:
    SettingsDialog(const Settings& current, QString path, MessageBoxes& messages, Shell& shell,
                   QWidget* parent);

    // The values as entered, trimmed and in the form readSettings gives them.
    Settings settings() const;

    // 确定: the values checked, then written.
    void accept() override;
    // "打开…": the proxy file in the desktop's editor, made first with a header when it is missing.
    void openProxiesFile();

private:
    void say(const QString& text, MsgIcon icon);

    QString m_path;
    MessageBoxes& m_messages;
    Shell& m_shell;
    QLineEdit* m_statsSite = nullptr;
    QLineEdit* m_searchEngine = nullptr;
    QLineEdit* m_updateSite = nullptr;
    QCheckBox* m_updateCheck = nullptr;
    QLineEdit* m_proxiesFile = nullptr;
    QSpinBox* m_keepRuns = nullptr;
};

// The text a new proxy file starts with: the line formats, as comments.
QString proxiesFileHeader();

}  // namespace quorvane
