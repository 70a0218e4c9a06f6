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
    // Every message is answered OK. File dialogs are answered in order, nothing meaning
    // Cancel, and cancelled when the script runs out.
    std::vector<std::optional<std::string>> fileAnswers;
    std::function<void(const Message&)> onMessage;  // called while the box would wait

    MessageAnswer ShowMessage(const Message& message) override {
        messages.push_back(message);
        if (onMessage) onMessage(message);
        return MessageAnswer::Ok;
    }
    std::optional<std::string> ShowOpenDialog(const FileDialogRequest& request) override {
        fileRequests.push_back({false, request});
        return NextFileAnswer();
    }
    std::optional<std::string> ShowSaveDialog(const FileDialogRequest& request) override {
        fileRequests.push_back({true, request});
        return NextFileAnswer();
    }

  private:
    std::optional<std::string> NextFileAnswer() {
        if (fileAnswers.empty()) return std::nullopt;
        std::optional<std::string> answer = std::move(fileAnswers.front());
        fileAnswers.erase(fileAnswers.begin());
        return answer;
    }
};

}  // namespace tessavo::test
