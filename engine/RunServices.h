// Tessavo - cleaning of Leica GSI measurement files.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tessavo {

// The output-format choice; the number is also its stored code.
enum class OutputFormat { SameAsInput = 0, Gsi8 = 8, Gsi16 = 16 };

enum class MessageIcon { None, Warning };
enum class MessageButtons { Ok, OkCancel };
enum class MessageAnswer { Ok, Cancel };

// A message box as the engine asks for it. Without a title the box shows the
// application's title.
struct Message {
    std::vector<std::string> lines;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
    std::optional<std::string> title;

    friend bool operator==(const Message&, const Message&) = default;
};

// What a cleaning run needs of the window, and nothing more.
class RunServices {
  public:
    virtual ~RunServices() = default;

    // The output format selected now; asked again for every record line, so that a
    // change during a run applies from the next line on.
    virtual OutputFormat CurrentOutputFormat() = 0;

    // Shows a modal message box and answers the button that closed it.
    virtual MessageAnswer ShowMessage(const Message& message) = 0;

    // Called once per input line so that the window can handle its pending events.
    // Answers false when the run must stop (the window is closing): the run then closes
    // its files, keeps what it wrote and returns without a message.
    virtual bool Yield() = 0;

    // Makes the process button the window's default button; called at the end of a
    // completed run.
    virtual void MakeProcessDefault() = 0;
};

}  // namespace tessavo
