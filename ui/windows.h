#pragma once
// How one window reaches the others. The program owns every window and implements this;
// a window (and the chat interpreter) asks through it instead of holding the others.
namespace rv::ui {

class Windows {
  public:
    // Shows the folder chooser; its start-up runs first when it is not loaded.
    virtual void show_folder_chooser() = 0;
    // Shows the away-from-keyboard window; its start-up runs first when it is not loaded.
    virtual void show_afk() = 0;
    // Shows the command help window; its start-up runs first when it is not loaded.
    virtual void show_help() = 0;
    // Ends the program at once: no window's closing code runs, nothing is saved.
    virtual void end_program() = 0;

  protected:
    ~Windows() = default;
};

}  // namespace rv::ui
