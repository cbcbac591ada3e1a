#pragma once
// A scripted Dialogs for tests: records every box shown (text and caption)
// and answers questions, input boxes and file dialogs from queues. An
// unexpected question or dialog answers No / cancel and is recorded too.
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "base/dialogs.h"

namespace matslip::testing {

class FakeDialogs : public Dialogs {
 public:
  struct Shown {
    std::string kind;  // "message", "ask", "input", "file", "font"
    std::string text;
    std::string caption;
  };

  void Message(const std::string& text, const std::string& caption,
               MessageIcon icon) override;
  bool Ask(const std::string& text, const std::string& caption) override;
  bool InputText(const std::string& prompt, const std::string& caption,
                 std::string* value) override;
  bool InputInteger(const std::string& prompt, const std::string& caption,
                    int* value) override;
  bool ChooseFile(const FileDialogRequest& request, std::string* path) override;
  bool ChooseFont(FontChoice* font) override;

  // Answers, used in order; an empty optional text means cancel.
  std::deque<bool> answers;
  std::deque<std::pair<bool, std::string>> inputs;
  std::deque<std::pair<bool, std::string>> files;
  std::deque<std::pair<bool, FontChoice>> fonts;

  std::vector<Shown> shown;
  // Called as each box comes up, before it is answered: what the test does
  // while the box is open.
  std::function<void(const Shown&)> on_shown;
  std::vector<MessageIcon> icons;  // of the message boxes, in order
  std::vector<FileDialogRequest> file_requests;
  std::vector<std::string> input_values;  // what each input box started with
  // The texts of the message boxes only.
  std::vector<std::string> Messages() const;
};

}  // namespace matslip::testing
