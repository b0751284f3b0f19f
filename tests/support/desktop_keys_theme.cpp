// SPDX-License-Identifier: GPL-3.0-or-later
// A platform theme for the offscreen platform with the key bindings of a Linux desktop, under which a
// line edit claims keys (Ctrl+E: end of line) that the offscreen platform's Windows bindings leave alone.
// QT_QPA_PLATFORMTHEME=quorvane-desktop-keys selects it; QUORVANE_TEST_KEYS (x11, kde or gnome, read at
// each look-up) the desktop.
#include <qpa/qplatformtheme.h>
#include <qpa/qplatformthemeplugin.h>

#include <QtPlugin>

using namespace Qt::StringLiterals;

namespace {

class DesktopKeysTheme final : public QPlatformTheme {
public:
    QVariant themeHint(ThemeHint hint) const override {
        if (hint == KeyboardScheme) {
            const QByteArray desktop = qgetenv("QUORVANE_TEST_KEYS");
            return int(desktop == "kde"     ? KdeKeyboardScheme
                       : desktop == "gnome" ? GnomeKeyboardScheme
                                            : X11KeyboardScheme);
        }
        // The offscreen platform's style.
        if (hint == StyleNames) {
            return QStringList{u"Fusion"_s};
        }
        return QPlatformTheme::themeHint(hint);
    }
};

}  // namespace

class DesktopKeysThemePlugin final : public QPlatformThemePlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QPlatformThemeFactoryInterface_iid FILE "desktop_keys_theme.json")
public:
    QPlatformTheme* create(const QString& key, const QStringList&) override {
        // The application owns the theme it asked for.
        return key == u"quorvane-desktop-keys"_s ? new DesktopKeysTheme : nullptr;
    }
};

#include "desktop_keys_theme.moc"
