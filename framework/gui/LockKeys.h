#pragma once
// The lock keys' state as the keyboard's indicators show it, where the platform tells it
// (X11); nothing elsewhere (Wayland, the offscreen platform).

#include <optional>

struct LockKeys {
    bool caps = false;
    bool num = false;
    bool scroll = false;
};

std::optional<LockKeys> ReadLockKeys();
