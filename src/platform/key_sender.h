#pragma once
// Sends keystrokes to the window that has the keyboard focus, through the XTest extension of the X server named
// by DISPLAY. The one piece of Dorvane that talks to the X server, built as a library of its own; where X11 was
// not found when the build was configured, every attempt fails with an error saying so.
#include <memory>
#include <vector>

#include "common/send_keys.h"

namespace dv {

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
  // Throws Error when a stroke cannot be sent.
  void Send(const std::vector<KeyStroke>& strokes);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace dv
