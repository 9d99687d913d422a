#pragma once
// The pseudo-terminal of velloran-sim and the link that names it.
#include <QString>

namespace vel::sim {

struct Pty {
    int master = -1;  // non-blocking; the instrument's side
    int slave = -1;   // kept open so the line stays up between the program's opens
    QString slavePath;
};

// A raw (no echo, no line editing) pty pair; false with error set on failure.
bool openPty(Pty* pty, QString* error);
void closePty(Pty* pty);

// Points linkPath at target, creating its folder and replacing an older link;
// anything there that is not a link is left alone and reported.
bool placeLink(const QString& linkPath, const QString& target, QString* error);
// Removes linkPath if it still points at target (a newer simulator may own it).
void removeLink(const QString& linkPath, const QString& target);

}  // namespace vel::sim
