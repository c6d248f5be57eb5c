#pragma once
#include <QRect>
#include <map>

#include "platform/forms/form.h"
#include "platform/qt/control_places.h"

class QPlainTextEdit;
class QWidget;

namespace rv::qt {

// Several-line boxes the user may edit are real editors laid over the form: scroll bar, caret
// and keyboard focus come with them; their text lives in the model.
class MultiLineEditors {
  public:
    // The editors are children of `window`, laid where `places` puts their boxes.
    MultiLineEditors(forms::Form& form, QWidget& window, const ControlPlaces& places)
        : m_form(form), m_window(window), m_places(places) {}

    // Whether `c` is shown by an editor rather than painted.
    static bool edits(const forms::Control& c);
    // Brings every editor in line with the form: one for each editable box, none for a box
    // that is gone or no longer editable.
    void sync_all();
    // Brings the editor of `c` in line with it; false when `c` has none.
    bool sync(forms::Control& c);
    // Gives the keyboard to the editor of the form's active control, if it has one.
    void focus_active();
    // Whether a shown editor lies over part of `area`.
    bool overlaps(const QRect& area) const;

  private:
    void sync_editor(forms::TextBox& box, QPlainTextEdit& editor);

    forms::Form& m_form;
    QWidget& m_window;
    const ControlPlaces& m_places;
    std::map<forms::TextBox*, QPlainTextEdit*> m_editors;  // children of the window
};

}  // namespace rv::qt
