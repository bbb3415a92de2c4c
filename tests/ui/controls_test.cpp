// The control-state classes behave as the real controls do, because the windows rely on
// when their change events arrive.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/WinTypes.h"
#include "platform/sim/SimMachine.h"
#include "ui/Form.h"

namespace {

TEST(EditBox, ReportsEveryChangeAndStopsTypingAtItsLimit) {
  TEdit edit;
  int changes = 0;
  edit.OnChange = [&] { ++changes; };
  edit.SetText("abc");  // code filling the box is reported like typing
  EXPECT_EQ(changes, 1);
  edit.SetMaxLength(5);
  edit.Type("1234567");
  EXPECT_EQ(edit.Text(), "12345");
  EXPECT_EQ(changes, 2);
  edit.SetEnabled(false);
  edit.Type("zz");
  EXPECT_EQ(edit.Text(), "12345") << "a disabled box takes no typing";
}

TEST(ComboBox, CodeSelectsQuietlyTheUserIsHeard) {
  TComboBox box;
  box.Style = TComboBoxStyle::DropDownList;
  int changes = 0;
  box.OnChange = [&] { ++changes; };
  box.SetItems({"Z:", "Y:  \\\\nas\\media", "X:"});
  box.SetItemIndex(1);
  EXPECT_EQ(box.Text(), "Y:  \\\\nas\\media");
  EXPECT_EQ(changes, 0);
  box.Select(2);
  EXPECT_EQ(box.Text(), "X:");
  EXPECT_EQ(changes, 1);
  box.Type("W:");
  EXPECT_EQ(box.Text(), "X:") << "nothing can be typed into a drop-down list";
  box.SetItems({"A:"});
  EXPECT_EQ(box.ItemIndex(), -1);
  EXPECT_EQ(box.Text(), "");
}

TEST(ComboBox, EditableBoxKeepsItsTextWhenTheListIsRefilled) {
  TComboBox box;
  int changes = 0;
  box.OnChange = [&] { ++changes; };
  box.SetMaxLength(4);
  box.Type("\\\\nas\\media");
  EXPECT_EQ(box.Text(), "\\\\na");
  box.SetItems({"\\\\one", "\\\\two"});
  EXPECT_EQ(box.Text(), "\\\\na");
  box.SetText("\\\\two");
  EXPECT_EQ(box.ItemIndex(), 1);
  EXPECT_EQ(changes, 2);
}

TEST(ListView, SelectionReportsTheLosingRowFirstAndClearingReportsNothing) {
  TListView list;
  std::vector<std::string> events;
  list.OnChange = [&](int row) { events.push_back("change " + std::to_string(row)); };
  list.OnSelectItem = [&](int row, bool on) { events.push_back((on ? "on " : "off ") + std::to_string(row)); };
  for (const char* name : {"a", "b", "c"}) list.AddItem({name, {}, 20, nullptr});
  list.Select(0);
  list.Select(2);
  EXPECT_EQ(events, (std::vector<std::string>{"change 0", "on 0", "change 0", "off 0", "change 2", "on 2"}));
  events.clear();
  list.Clear();
  EXPECT_EQ(list.Selected(), -1);
  EXPECT_TRUE(events.empty());
  list.Select(5);
  EXPECT_EQ(list.Selected(), -1) << "a row that does not exist cannot be selected";
}

TEST(ListView, SuspendedUpdatesTellTheViewOnceAtTheEnd) {
  TListView list;
  int redraws = 0;
  list.OnStateChanged = [&] { ++redraws; };
  list.BeginUpdate();
  list.Clear();
  for (int i = 0; i < 5; ++i) list.AddItem({"row", {"sub"}, 21, &redraws});
  EXPECT_TRUE(list.Updating());
  EXPECT_EQ(redraws, 0);
  list.EndUpdate();
  EXPECT_EQ(redraws, 1);
  EXPECT_EQ(list.Items()[4].Data, &redraws);
}

TEST(SpinButtons, StayInRangeAndIgnoreWhatIsNotAWholeNumberInRange) {
  TEdit field;
  TUpDown spin;
  spin.SetAssociate(field);
  spin.SetRange(1, 360);
  spin.SetPosition(400);
  EXPECT_EQ(spin.Position(), 360);
  EXPECT_EQ(field.Text(), "360");
  spin.ClickUp();
  EXPECT_EQ(spin.Position(), 360);
  spin.SetPosition(1);
  spin.ClickDown();
  EXPECT_EQ(spin.Position(), 1);
  for (const char* bad : {"", "abc", "12x", "0", "361", "99999999999", " 5", "1,000"}) {
    field.Type(bad);
    EXPECT_EQ(spin.Position(), 1) << "typed: '" << bad << "'";
  }
  field.Type("42");
  EXPECT_EQ(spin.Position(), 42);
  field.Type("oops");
  EXPECT_EQ(spin.Position(), 42) << "a bad entry keeps the last good number";
  spin.ClickUp();
  EXPECT_EQ(field.Text(), "43");
}

TEST(CheckBoxAndButton, ReportClicksOnlyWhenSomethingHappens) {
  TCheckBox box;
  int clicks = 0;
  box.OnClick = [&] { ++clicks; };
  box.SetChecked(false);
  EXPECT_EQ(clicks, 0);
  box.SetChecked(true);  // code ticking the box is reported like a click
  box.Click();
  EXPECT_FALSE(box.Checked());
  EXPECT_EQ(clicks, 2);
  TButton button;
  int pressed = 0;
  button.OnClick = [&] { ++pressed; };
  button.SetEnabled(false);
  button.Click();
  EXPECT_EQ(pressed, 0);
}

// A window with a box that must be filled before it may close.
class TNeedsText : public TForm {
 public:
  explicit TNeedsText(Platform& platform) : TForm(platform) {
    ButtonOK.Default = true;
    ButtonOK.ModalResult = mrOk;
    ButtonCancel.Cancel = true;
    ButtonCancel.ModalResult = mrCancel;
    Add(EditText);
    Add(ButtonOK);
    Add(ButtonCancel);
  }
  bool FormCloseQuery() override { return !refuse; }
  void FormShow() override { ++shows; }
  void FormHide() override { ++hides; }
  TEdit EditText;
  TButton ButtonOK, ButtonCancel;
  bool refuse = false;
  int shows = 0, hides = 0;
};

TEST(ModalShowing, TheScriptedUserAnswersAndRefusedClosesStayOpen) {
  SimMachine pc;
  TNeedsText form(pc.platform());
  pc.WhenModal([&] {
    EXPECT_TRUE(form.Showing());
    form.refuse = true;
    form.PressEnter();
    EXPECT_FALSE(form.ModalEnded()) << "a refused close keeps the window open";
    form.refuse = false;
    form.PressEnter();
  });
  EXPECT_EQ(form.ShowModal(), mrOk);
  EXPECT_EQ(form.shows, 1);
  EXPECT_EQ(form.hides, 1);
  EXPECT_FALSE(form.Showing());

  pc.WhenModal([&] { form.PressEscape(); });
  EXPECT_EQ(form.ShowModal(), mrCancel);

  // Nobody answers: Escape closes it.
  EXPECT_EQ(form.ShowModal(), mrCancel);
  EXPECT_EQ(pc.ModalShowings, 3);
  EXPECT_EQ(pc.ModalsLeftOpen, 0);
}

TEST(ModalShowing, AWindowThatRefusesEveryCloseIsReportedLeftOpen) {
  SimMachine pc;
  TNeedsText form(pc.platform());
  form.refuse = true;
  EXPECT_EQ(form.ShowModal(), mrCancel);
  EXPECT_EQ(pc.ModalsLeftOpen, 1);
  EXPECT_EQ(form.hides, 1);
}

}  // namespace
