#pragma once
#include <string>

#include "ui/Form.h"

class TEngine;

// Edits one program to run after a drive has connected. The caller fills the boxes
// before showing it and reads them back on OK.
class TAddRunProgramForm : public TForm {
 public:
  explicit TAddRunProgramForm(TEngine& engine);

  TImage Image1;
  TLabel LabelHelpMsg, LabelOpen, LabelProgramParameters;
  TEdit EditRunProgram, EditParameters;
  TButton ButtonOK, ButtonCancel, ButtonBrowse;

  void FormCreate();
  void FormShow() override;
  void EditRunProgramChange();  // OK is enabled exactly while a program is given
  void ButtonBrowseClick();
  std::string BrowseForProgram();

 private:
  TEngine& engine_;
};
