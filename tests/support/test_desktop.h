#pragma once
// A desktop of the test's own for xdg-open: its data and config folders live in the test's tree, files of type
// text/plain open with a handler script that appends "[path]" and a line end to Marker() and ends (failing for a
// path that holds "refused"), and any other type has no program at all (no web browser to fall back on either).
// Header-only and Qt-free, for the GoogleTest binaries and the X server tests alike.
#include <sys/stat.h>

#include <string>

#include "support/temp_tree.h"

namespace dv::test {

class TestDesktop {
 public:
  // `display` goes into DISPLAY (nullptr unsets it): xdg-open looks for associations only where there is one.
  TestDesktop(TempTree& tree, const char* display) : marker_(tree / "desktop/marker") {
    const std::string handler =
        tree.File("desktop/handler.sh", "#!/bin/sh\nprintf '[%s]\\n' \"$1\" >> '" + marker_ +
                                            "'\ncase \"$1\" in *refused*) exit 1;; esac\n");
    ::chmod(handler.c_str(), 0755);
    tree.File("desktop/data/applications/dvtest.desktop",
              "[Desktop Entry]\nType=Application\nName=Dorvane test viewer\nExec=" + handler +
                  " %f\nMimeType=text/plain;\n");
    tree.File("desktop/config/mimeapps.list", "[Default Applications]\ntext/plain=dvtest.desktop\n");
    const std::string none = tree.Dir("desktop/none");
    env_.Set("HOME", tree.Dir("desktop/home").c_str());
    env_.Set("XDG_DATA_HOME", (tree / "desktop/data").c_str());
    env_.Set("XDG_CONFIG_HOME", (tree / "desktop/config").c_str());
    env_.Set("XDG_DATA_DIRS", none.c_str());
    env_.Set("XDG_CONFIG_DIRS", none.c_str());
    env_.Set("BROWSER", "false");
    env_.Set("DISPLAY", display);
    for (const char* name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID",
                             "MATE_DESKTOP_SESSION_ID", "DBUS_SESSION_BUS_ADDRESS", "WAYLAND_DISPLAY"})
      env_.Set(name, nullptr);
  }
  const std::string& Marker() const { return marker_; }

 private:
  std::string marker_;
  EnvironmentScope env_;
};

}  // namespace dv::test
