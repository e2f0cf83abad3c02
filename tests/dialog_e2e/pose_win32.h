// Brings up a dialog of the program for a screenshot and holds it there.
#ifndef QUENLO_E2E_POSE_WIN32_H_
#define QUENLO_E2E_POSE_WIN32_H_

#include <string>

// Shows the main dialog, or the About box over it, prints the shown window's
// screen rectangle as "left top width height" and keeps it up until the file
// done exists (at most a minute). Returns 0 when the window was shown.
int pose(const std::wstring& program, bool about, const std::wstring& done);

#endif  // QUENLO_E2E_POSE_WIN32_H_
