// SPDX-License-Identifier: GPL-3.0-or-later
// FakeDialogs: dialogs answered from a script, recording every request.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Dialogs.h"

namespace tessavo::test {

class FakeDialogs final : public Dialogs {
  public:
    struct FileRequest {
        bool save = false;
        FileDialogRequest request;
    };

    std::vector<Message> messages;
    std::vector<FileRequest> fileRequests;
    // Answers in order; when the script runs out a message is answered OK and a file
    // dialog is cancelled. Nothing in a file answer means Cancel.
    std::vector<MessageAnswer> messageAnswers;
    std::vector<std::optional<std::string>> fileAnswers;
    std::function<void(const Message&)> onMessage;  // called while the box would wait

    MessageAnswer ShowMessage(const Message& message) override {
        messages.push_back(message);
        if (onMessage) onMessage(message);
        return Next(messageAnswers).value_or(MessageAnswer::Ok);
    }
    std::optional<std::string> ShowOpenDialog(const FileDialogRequest& request) override {
        fileRequests.push_back({false, request});
        return Next(fileAnswers).value_or(std::nullopt);
    }
    std::optional<std::string> ShowSaveDialog(const FileDialogRequest& request) override {
        fileRequests.push_back({true, request});
        return Next(fileAnswers).value_or(std::nullopt);
    }

  private:
    template <class T>
    static std::optional<T> Next(std::vector<T>& script) {
        if (script.empty()) return std::nullopt;
        T answer = std::move(script.front());
        script.erase(script.begin());
        return answer;
    }
};

}  // namespace tessavo::test
