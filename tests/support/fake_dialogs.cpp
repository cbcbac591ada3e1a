#include "support/fake_dialogs.h"

#include "base/number.h"

namespace matslip::testing {

void FakeDialogs::Message(const std::string& text, const std::string& caption,
                          MessageIcon icon) {
  shown.push_back({"message", text, caption});
  if (on_shown) on_shown(shown.back());
  icons.push_back(icon);
}

bool FakeDialogs::Ask(const std::string& text, const std::string& caption) {
  shown.push_back({"ask", text, caption});
  if (on_shown) on_shown(shown.back());
  if (answers.empty()) return false;
  bool yes = answers.front();
  answers.pop_front();
  return yes;
}

bool FakeDialogs::InputText(const std::string& prompt,
                            const std::string& caption, std::string* value) {
  shown.push_back({"input", prompt, caption});
  if (on_shown) on_shown(shown.back());
  input_values.push_back(*value);
  if (inputs.empty()) return false;
  auto [ok, text] = inputs.front();
  inputs.pop_front();
  if (ok) *value = text;
  return ok;
}

bool FakeDialogs::InputInteger(const std::string& prompt,
                               const std::string& caption, int* value) {
  std::string text = std::to_string(*value);
  if (!InputText(prompt, caption, &text)) return false;
  *value = static_cast<int>(TextToNumber(text));
  return true;
}

bool FakeDialogs::ChooseFile(const FileDialogRequest& request,
                             std::string* path) {
  shown.push_back({"file", request.title, ""});
  if (on_shown) on_shown(shown.back());
  file_requests.push_back(request);
  if (files.empty()) return false;
  auto [ok, chosen] = files.front();
  files.pop_front();
  if (ok) *path = chosen;
  return ok;
}

bool FakeDialogs::ChooseFont(FontChoice* font) {
  shown.push_back({"font", font->name, ""});
  if (on_shown) on_shown(shown.back());
  if (fonts.empty()) return false;
  auto [ok, chosen] = fonts.front();
  fonts.pop_front();
  if (ok) *font = chosen;
  return ok;
}

std::vector<std::string> FakeDialogs::Messages() const {
  std::vector<std::string> out;
  for (const Shown& s : shown)
    if (s.kind == "message") out.push_back(s.text);
  return out;
}

}  // namespace matslip::testing
