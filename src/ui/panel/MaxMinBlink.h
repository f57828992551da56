#pragma once
// The blinking of the panel's MAX and MIN marks in the meter's MAX-and-MIN
// mode. The main window owns this state and its MaxMinTimer (500 ms), so the
// phase runs on while the panel is closed.

class TfrmPanel;

struct MaxMinBlink {
    bool BlinkPhase = false;
    bool InMaxMinTimer = false;

    // The MaxMinTimer handler: flips the phase and shows or hides both marks
    // on the panel, when there is one.
    void MaxMinTimerTimer(TfrmPanel* frontPanel);
};
