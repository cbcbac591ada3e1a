#pragma once
// How logic talks to the user: message boxes, yes/no questions, input boxes,
// file and font dialogs. Handlers take a Dialogs& so that tests can answer
// from a script and read back every message shown. All boxes are modal.
#include <string>

namespace matslip {

inline constexpr char kInfoCaption[] = "信息：";
inline constexpr char kQuestionCaption[] = "提醒询问：";

enum class MessageIcon { kNone, kInformation, kWarning, kError };

struct FileDialogRequest {
  bool save = false;
  std::string title;
  std::string filter;  // "表格文件(*.grd)|*.grd" style: label|pattern pairs
  std::string directory;  // initial folder
  std::string file_name;  // proposed name
  std::string default_suffix;
};

struct FontChoice {
  std::string name;
  int size = 40;  // tenths of a millimetre
  int style = 0;  // 1 bold, 2 italic, 4 underline, 8 strike-out
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // A message box with an OK button.
  virtual void Message(const std::string& text,
                       const std::string& caption = kInfoCaption,
                       MessageIcon icon = MessageIcon::kNone) = 0;
  // Yes and No, the question icon, No the default button; true for Yes.
  virtual bool Ask(const std::string& text,
                   const std::string& caption = kQuestionCaption) = 0;
  // An input box starting with *value; false (value unchanged) on cancel.
  virtual bool InputText(const std::string& prompt, const std::string& caption,
                         std::string* value) = 0;
  virtual bool InputInteger(const std::string& prompt,
                            const std::string& caption, int* value) = 0;
  // False on cancel; otherwise *path is the chosen file ('/' separators).
  virtual bool ChooseFile(const FileDialogRequest& request,
                          std::string* path) = 0;
  // Starts at *font; false on cancel.
  virtual bool ChooseFont(FontChoice* font) = 0;
};

}  // namespace matslip
