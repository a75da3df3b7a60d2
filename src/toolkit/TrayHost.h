#pragma once
// What the desktop's system tray offers. Not every desktop has one (GNOME without the AppIndicator
// extension, a bare window manager), and StatusNotifierItem hosts report a click but never a double click.
#include <memory>

namespace vh {

class TrayHost {
public:
    virtual ~TrayHost() = default;
    // Asked at the moment of use: a tray may appear or go away while the program runs.
    virtual bool Available() const;
    // False where activating the icon arrives as a single click only (StatusNotifierItem hosts).
    virtual bool ReportsDoubleClick() const;
};

// The process-wide host (the real desktop unless a test replaced it).
const TrayHost& TheTrayHost();
void SetTrayHost(std::unique_ptr<TrayHost> host);

} // namespace vh
