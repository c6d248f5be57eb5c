#include "platform/forms/environment.h"

#include <algorithm>

namespace rv::forms {

std::string Environment::InputBox(const std::string& prompt, const std::string& title,
                                  const std::string& default_text) {
    if (!m_input_box) return "";
    return m_input_box(prompt, title.empty() ? m_app_title : title, default_text);
}

void Environment::default_position(float& left_twips, float& top_twips) {
    float offset = kCascadeStepTwips * static_cast<float>(m_cascade + 1);
    if (offset > m_screen_w / 2 || offset > m_screen_h / 2) {
        m_cascade = 0;
        offset = kCascadeStepTwips;
    }
    ++m_cascade;
    left_twips = offset;
    top_twips = offset;
}

void Environment::unregister_form(Form* f) {
    m_forms.erase(std::remove(m_forms.begin(), m_forms.end(), f), m_forms.end());
    form_gone(*f);
}

}  // namespace rv::forms
