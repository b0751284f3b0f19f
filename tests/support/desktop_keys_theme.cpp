// SPDX-License-Identifier: GPL-3.0-or-later
// The offscreen platform with a Linux desktop's key bindings (QUORVANE_TEST_KEYS: x11, kde or gnome), under
// which a line edit claims Ctrl+E for itself. QT_QPA_PLATFORMTHEME=quorvane-desktop-keys selects it.
#include <qpa/qplatformtheme.h>
#include <qpa/qplatformthemeplugin.h>

class DesktopKeysTheme final : public QPlatformTheme {
    QVariant themeHint(ThemeHint hint) const override {
        const QByteArray desktop = qgetenv("QUORVANE_TEST_KEYS");
        return hint != KeyboardScheme ? QPlatformTheme::themeHint(hint)
                                      : int(desktop == "kde"     ? KdeKeyboardScheme
                                            : desktop == "gnome" ? GnomeKeyboardScheme
                                                                 : X11KeyboardScheme);
    }
};

class DesktopKeysThemePlugin final : public QPlatformThemePlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QPlatformThemeFactoryInterface_iid FILE "desktop_keys_theme.json")
    // The application owns the theme it asked for.
    QPlatformTheme* create(const QString&, const QStringList&) override { return new DesktopKeysTheme; }
};

#include "desktop_keys_theme.moc"
