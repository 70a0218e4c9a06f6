// SPDX-License-Identifier: GPL-3.0-or-later
// RunServices: what a cleaning run needs of its front end, and the messages it asks for.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tessavo {

// The output-format choice; the number is also its stored code.
enum class OutputFormat { SameAsInput = 0, Gsi8 = 8, Gsi16 = 16 };

enum class MessageIcon { None, Warning };
enum class MessageButtons { Ok, OkCancel };
enum class MessageAnswer { Ok, Cancel };

// What a message is to the run, so that a front end without a title bar or icons (the
// command line) can tell them apart: a report goes to standard output, the rest to
// standard error.
enum class MessageKind {
    Report,    // the closing message of a completed run
    Question,  // a confirmation answered with OK or Cancel
    Refusal,   // the run was refused; nothing was touched
    Failure,   // the run failed; everything was put back as it was
};

// A message box as the engine asks for it. Without a title the box shows the
// application's title.
struct Message {
    MessageKind kind = MessageKind::Report;
    std::vector<std::string> lines;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
    std::optional<std::string> title;
    // A longer list that the box offers on request (every value cut, every line left
    // unchanged), one entry per line; empty for most messages.
    std::vector<std::string> details = {};

    friend bool operator==(const Message&, const Message&) = default;
};

// How far a run has read its input.
struct Progress {
    std::uint64_t bytesRead = 0;
    std::uint64_t totalBytes = 0;  // the input's size when the run opened it

    friend bool operator==(const Progress&, const Progress&) = default;
};

// What a cleaning run needs of its front end (a window or the command line), and nothing
// more. Every call comes from the thread that started the run.
class RunServices {
  public:
    virtual ~RunServices() = default;

    // The output format selected now; asked again for every record line, so that a
    // change during a run applies from the next line on.
    virtual OutputFormat CurrentOutputFormat() = 0;

    // Shows a modal message box and answers the button that closed it.
    virtual MessageAnswer ShowMessage(const Message& message) = 0;

    // Called once per input line with the run's progress, so that a window can handle its
    // pending events and show how far the run is (also for each line of an older backup
    // that the run compares the output with), and once more when the new output is on the
    // disk. Answers false when the run must stop (the window is closing, Ctrl+C): the
    // run then puts every file back as it was and returns without a message. Once the run
    // has begun to put the new output in place it asks no more: a stop then waits for the
    // run to finish and report.
    virtual bool ProcessEvents(const Progress& progress) = 0;

    // Makes the process button the window's default button; called at the end of a
    // completed run.
    virtual void MakeProcessDefault() = 0;
};

}  // namespace tessavo
