// SPDX-License-Identifier: GPL-3.0-or-later
// The settings dialog, opened from the window, and what its 确定 changes at once.
#include "form1.h"
#include "settings/settings_dialog.h"

namespace quorvane {

void Form1::showSettings() {
    // One dialog at a time: a second would write over the first's file with older values.
    for (SettingsDialog* open : findChildren<SettingsDialog*>()) {
        if (open->isVisible()) {
            open->activateWindow();
            return;
        }
    }
    // The window owns it until it closes; open() keeps it window-modal without a nested event loop.
    auto* dialog = new SettingsDialog(m_config.settings, m_config.settingsPath, m_services.messages,
                                      m_services.shell, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] { applySettings(dialog->settings()); });
    dialog->open();
}

void Form1::applySettings(const Settings& settings) {
    m_runs.batch.setSites({settings.statsSite, settings.searchEngine});
    m_runs.keywords.setStatsSite(settings.statsSite);
    // The update check of this start keeps its site; the file gives the new one at the next start.
    m_config.settings = settings;
}

}  // namespace quorvane
