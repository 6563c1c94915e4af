// The keyboard's lock keys, for the CAP, NUM and SCRL panes of the status bar.
#pragma once

struct LockState {
  bool caps = false;
  bool num = false;
  bool scroll = false;
};

// Reads the lock state from the window system. Returns false where the platform
// does not tell it (Wayland, the offscreen platform); the state is then all off.
bool ReadLockState(LockState* state);
