#pragma once
#include <QFont>
#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QRegion>
#include <QWidget>
#include <QWindow>
#include <map>
#include <string>
#include <vector>

class QPlainTextEdit;

#include "platform/forms/form.h"
#include "platform/qt/form_view_layout.h"
#include "platform/qt/x11_stage.h"

namespace rv::qt {

// One loaded, visible form as a real frameless window, drawn from its model. Input becomes
// model events with twips coordinates; nothing else.
class FormView : public QWidget {
  public:
    FormView(forms::Form& form, double twips_per_pixel);
    forms::Form& form() const { return m_form; }
    // Brings the window in line with the model (geometry, flags, visibility) and schedules
    // a repaint of what changed.
    void sync(forms::Control* changed, bool geometry_only = false);
    // Paints, at once, all that the syncs since the last call left to redraw: one paint and
    // one flush to the screen per window and batch.
    void paint_pending();

  protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;
    void wheelEvent(QWheelEvent*) override;
    void changeEvent(QEvent*) override;
    bool event(QEvent*) override;
    void closeEvent(QCloseEvent*) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    FormLayout layout() const { return FormLayout(m_form, m_tpp, &m_measures); }
    int px(float twips) const;
    QRect rect_of(const forms::Control& c) const;
    QRect clip_of(const forms::Control& c) const;
    // The pixels a control's drawing can change: its clip, less what a transparent label
    // leaves untouched around its ink.
    QRect footprint(const forms::Control& c);
    // What of `damage` must be repainted once `changed` changed: controls drawn after it
    // that cover their whole box hide it where they stand.
    QRegion uncovered(const forms::Control& changed, const QRegion& damage) const;
    void invalidate(const QRegion& r);
    // Whether `c` is a label the X server is moving.
    bool composed(const forms::Control& c) const;
    forms::Control* control_at(QPoint p) const;
    // The pointer relative to control `c` (null: the client area), in twips, taken from its
    // place on the screen and the model's window position: right even while the window or
    // the control moves under it.
    void to_twips(const forms::Control* c, QPointF global, float& x, float& y) const;
    // After a reload of the form, forgets every pointer and cache of the old controls and
    // says so; a caller that has just run a handler returns at once when it did.
    bool catch_up();
    // After a press on a drag surface, on a platform where windows cannot move themselves:
    // the compositor's own move takes the drag.
    void hand_move_to_compositor();
    void draw(QPainter& p, forms::Control& c);
    void draw_label(QPainter& p, forms::Label& l, const QRect& r, const QColor& fore);
    // A text drawn once into a picture of its own and then only copied: where it lands, and
    // its ink's box there.
    struct Sprite {
        std::string text;
        QFont font;
        QColor color;
        QPointF at;    // where the text's line begins
        int room = 0;  // a text box's room, which cuts its text
        QPixmap pixmap;
        QPoint origin;  // where the picture is drawn
        QRect ink;      // the drawn pixels' box, in the window
    };
    const Sprite& label_sprite(forms::Label& l, const QRect& r, const QColor& fore);
    const Sprite& box_sprite(forms::TextBox& t, const QRect& r, const QColor& fore);
    QPixmap new_canvas(QSize size) const;
    static QRect ink_of(const QPixmap& pixmap);
    void draw_text_box(QPainter& p, forms::TextBox& t, const QRect& r);
    void draw_list(QPainter& p, forms::ListBase& l, const QRect& r, const QColor& fore);
    void draw_picture(QPainter& p, forms::PictureBox& pic, const QRect& r);
    void draw_level(QPainter& p, forms::LevelBar& bar, const QRect& r);
    // Several-line boxes the user may edit are real editors laid over the form: scroll
    // bar, caret and keyboard focus come with them; their text lives in the model.
    void sync_editors();
    void sync_editor(forms::TextBox& box, QPlainTextEdit& editor);
    void focus_active_editor();
    // A level bar whose filled length alone moved needs only the strip between the old and
    // the new end redrawn (the equalizer moves ten bars 40 times a second). False: redraw it
    // whole.
    bool update_bar_strip(const forms::LevelBar& bar);

    forms::Form& m_form;
    double m_tpp;
    std::uint64_t m_generation = 0;  // the form's load whose controls the caches below hold
    forms::Control* m_pressed = nullptr;
    bool m_background_pressed = false;
    std::map<const forms::Control*, QRect> m_last_rects;  // where it may have drawn
    std::map<const forms::Control*, QRect> m_last_full;   // whole rectangle, last drawn
    std::map<const forms::PictureBox*, std::pair<std::uint64_t, QPixmap>> m_images;
    mutable TextMeasures m_measures;
    // Where each control lies, worked out once per state of the form: a paint asks for every
    // control's place, and a marquee changes one of them twenty times a second.
    // A control that only moved changes its own place, its contents' and the text room of
    // the labels beside it; the others keep theirs.
    struct Place {
        static constexpr std::uint64_t kStale = ~std::uint64_t{0};
        std::uint64_t version = kStale;
        QRect box, clip;
        bool has_footprint = false;
        QRect footprint;
    };
    const Place& place_of(const forms::Control& c) const;
    void keep_places(const forms::Control* moved);
    mutable std::map<const forms::Control*, Place> m_places;
    std::map<const forms::Control*, Sprite> m_sprites;
    QRegion m_pending;
    std::map<forms::TextBox*, QPlainTextEdit*> m_editors;  // children of this window
    struct BarSeen {
        int fill_px;
        forms::Color bar1, bar2, back;
        bool enabled;
        bool operator==(const BarSeen&) const = default;
    };
    std::map<const forms::LevelBar*, BarSeen> m_bars;

    // Labels that move on their own (the marquees), composed by the X server where there is
    // one: each step costs the server a few copies and the program no painting. A label
    // whose stage (the part of the window it moves in) changed in any other way is painted
    // by Qt once, stage and all, and its server copies made afresh at its next step.
    struct Mover {
        QRect stage;
        std::unique_ptr<X11Canvas::Scene> scene;
        QRegion stale;         // what changed in the stage since the copies were made
        QSize box_size;        // the label's size when its copies were made
        QPoint sprite_offset;  // where its picture lies from its box's corner
        bool moved = false;    // since the last paint
        bool refused = false;  // the server could not take it: Qt paints it
    };
    // Takes a label's step when the server can draw it; false: paint it the usual way.
    bool compose_move(forms::Label& l);
    bool attach_canvas();
    QRect stage_of(const forms::Label& l) const;
    // Draws every mover that moved since the last paint.
    void compose_movers();
    // Paints into `under` what the window shows below `l` within `area` (window pixels),
    // and into `over` what it shows above it; whether anything is above.
    bool render_layers(const forms::Label& l, const QRect& area, QImage& under, QImage& over);
    std::unique_ptr<X11Canvas::Scene> build_scene(forms::Label& l, Mover& m);
    // Brings the server's copies up to date where the stage changed; false: make them afresh.
    bool patch_scene(forms::Label& l, Mover& m);
    // Forgets the server's copies of a stage; Qt paints it whole.
    void drop_scene(Mover& m);
    void forget_scenes();
    std::unique_ptr<X11Canvas> m_canvas;
    WId m_canvas_window = 0;
    static constexpr int kAttachTries = 3;
    WId m_refused_window = 0;  // the native window the server's canvas failed on
    int m_attach_failures = 0;
    QPointer<QWindow> m_watched_window;  // a new native window comes with a new one
    std::map<forms::Label*, Mover> m_movers;

    std::string m_title;  // the caption last given to the window
    bool m_applied_topmost = false;
    bool m_shown_once = false;
};

}  // namespace rv::qt
