#pragma once
// Sends keystrokes to the window that has the keyboard focus, through the XTest extension of the X server named
// by DISPLAY, and tells which top-level window has the focus, so that keys go only to the window they are meant
// for. The one piece of Dorvane that talks to the X server, built as a library of its own; where X11 was not
// found when the build was configured, every attempt fails with an error saying so.
#include <sys/types.h>

#include <memory>
#include <vector>

#include "platform/send_keys.h"

namespace dv {

// A top-level window of the X server (0: none).
using TopWindow = unsigned long;

// What tells the windows of a program just opened from every other window: the process that opened it (its
// windows belong to that process or one of its descendants), and the top-level windows there were before.
struct OpenedProgram {
  pid_t pid = 0;
  std::vector<TopWindow> windowsBefore;
};

inline constexpr const char* kFocusMoved =
    "The keystrokes were stopped: the window of the opened program no longer has the focus";

class KeySender {
 public:
  // Connects to the X server. Throws Error (429) with a clear text when DISPLAY is not set, the server cannot be
  // reached, it lacks XTest, or the program was built without X11.
  KeySender();
  ~KeySender();
  KeySender(const KeySender&) = delete;
  KeySender& operator=(const KeySender&) = delete;

  // Presses and releases each key with its modifiers, and returns when the X server has handled them all. A
  // character the keyboard has no key for is typed through a spare key, mapped until the sender is destroyed.
  // With `onlyInto`, each key is sent only while that window is the active one; else Error(kFocusMoved). Throws
  // Error when a stroke cannot be sent.
  void Send(const std::vector<KeyStroke>& strokes, TopWindow onlyInto = 0);

  // The top-level windows now: the window manager's list (_NET_CLIENT_LIST), or without one the root's children.
  std::vector<TopWindow> TopLevelWindows();

  // The top-level window that has the focus: the window manager's active window (_NET_ACTIVE_WINDOW), or without
  // one the top-level window holding the input focus; 0 for none.
  TopWindow ActiveWindow();

  // The active window when it is one of `program`'s: its _NET_WM_PID is the opening process or a descendant, or
  // it was not there before the open (a window of this process never counts); else 0.
  TopWindow ActiveWindowOf(const OpenedProgram& program);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace dv
