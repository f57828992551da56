#pragma once
// What a real-time recording asks its user before it throws samples away:
// the program answers with a message box and the graph's save dialog, tests
// with a script.

class RealTimeUser {
public:
    // Why the samples would go: a new run, or a new sampling rate.
    enum class Question { BeforeRun, BeforeRateChange };
    enum class Answer { Yes, No, Cancel };

    virtual ~RealTimeUser() = default;

    // "Do you want to save the Real-Time graph ?" with Yes, No and Cancel.
    virtual Answer askToSave(Question question) = 0;
    // Saves the samples as the user chooses; false when nothing was written
    // (dialog cancelled, write failed).
    virtual bool saveSamples() = 0;
};
