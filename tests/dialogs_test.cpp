// The program's own modal boxes on FLTK, under a private X server: every
// button is in the box, the pressed one is the answer, and the keys go back
// to the widget that had them.
#include <gtest/gtest.h>

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Window.H>

#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "support/virtual_display.h"

namespace {
struct BoxSeen {
  Fl_Window* owner;
  std::string press;  // label of the button to press
  std::vector<std::string> buttons;
};

// Runs inside the box's own event loop: notes its buttons and presses one.
void inspectAndPress(void* data) {
  auto* seen = static_cast<BoxSeen*>(data);
  Fl_Window* box = Fl::first_window();
  while (box && box == seen->owner) box = Fl::next_window(box);
  if (!box) return Fl::repeat_timeout(0.05, inspectAndPress, data);
  Fl_Widget* toPress = nullptr;
  for (int i = 0; i < box->children(); ++i) {
    Fl_Button* button = dynamic_cast<Fl_Button*>(box->child(i));
    if (!button) continue;
    seen->buttons.push_back(button->label() ? button->label() : "");
    if (seen->buttons.back() == seen->press) toPress = button;
  }
  if (toPress)
    toPress->do_callback();
  else
    box->do_callback();  // closing the box cancels
}
}  // namespace

// Found by the sanitizer build: the default button took the keys while the
// box was being built, after which FLTK added no further widget to the box,
// so "Ne pas enregistrer" and "Annuler" were neither shown nor freed.
TEST(FltkDialogs, SaveQuestionShowsAllThreeButtonsAndGivesTheKeysBack) {
  std::string reason;
  if (!startVirtualDisplay(&reason)) GTEST_SKIP() << "no X server: " << reason;
  Fl_Window owner(0, 0, 200, 100);
  Fl_Input input(10, 10, 180, 30);
  owner.end();
  owner.show();
  owner.wait_for_expose();
  Fl::focus(&input);

  BoxSeen seen{&owner, "Ne pas enregistrer", {}};
  Fl::add_timeout(0.05, inspectAndPress, &seen);
  EXPECT_EQ(askSaveQuestion("Le texte du script a été modifié.", "VexoCad"), SaveAnswer::Discard);
  EXPECT_EQ(seen.buttons, (std::vector<std::string>{"Enregistrer", "Ne pas enregistrer", "Annuler"}));
  EXPECT_EQ(Fl::focus(), &input);
  owner.hide();
}
