#include "scenc/review/plot.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <ostream>
#include <stdexcept>

#include "compiler/windows_1252.h"
#include "io/exit_status.h"
#include "io/file_output.h"
#include "scenc/common/input_files.h"
#include "scenc/review/compiled_files.h"
#include "scenc/review/scenario_view.h"
#include "scenc/review/timetable_diagram.h"

namespace scenario::scenc {

namespace {

constexpr double page_width = 1600;
constexpr double page_height = 1140;  // the timetable's; the line picture's follows its plan
constexpr double left_margin = 150;   // room for the lane titles
constexpr double right_margin = 30;

struct Colour {
    double red, green, blue;
};
constexpr Colour ink{0.1, 0.1, 0.1};
constexpr Colour grey{0.45, 0.45, 0.45};
constexpr Colour faint{0.88, 0.88, 0.88};
constexpr Colour track_colour{0.3, 0.3, 0.3};
constexpr Colour station_colour{0.12, 0.32, 0.7};
constexpr Colour signal_colour{0.82, 0.12, 0.12};
constexpr Colour slowdown_colour{0.93, 0.52, 0.05};
constexpr Colour code_colour{0.5, 0.2, 0.7};
constexpr Colour board_colour{0.05, 0.45, 0.45};
constexpr Colour speed_colour{0.1, 0.5, 0.25};
constexpr Colour uphill_colour{0.7, 0.45, 0.2};
constexpr Colour downhill_colour{0.3, 0.55, 0.8};
constexpr Colour mountain_colour{0.55, 0.43, 0.27};

struct Box {
    double left, top, width, height;
    double right() const { return left + width; }
    double bottom() const { return top + height; }
};

enum class Align { left, centre, right };

struct LabelBox {
    double left, top, right, bottom;
    bool overlaps(const LabelBox& other) const {
        return left < other.right && other.left < right && top < other.bottom && other.top < bottom;
    }
    bool inside(const LabelBox& outer) const {
        return left >= outer.left && right <= outer.right && top >= outer.top &&
               bottom <= outer.bottom;
    }
};

// Names placed one after another inside bounds, each only where it covers no name and no
// leader line placed before it.
class LabelSpace {
  public:
    explicit LabelSpace(LabelBox bounds) : bounds_(bounds) {}
    bool free(const LabelBox& text) const {
        auto hit = [](const std::vector<LabelBox>& boxes, const LabelBox& box) {
            return std::any_of(boxes.begin(), boxes.end(),
                               [&](const LabelBox& other) { return box.overlaps(other); });
        };
        return text.inside(bounds_) && !hit(texts_, spaced(text)) && !hit(leaders_, text);
    }
    void take(const LabelBox& text, const std::optional<LabelBox>& leader = std::nullopt) {
        texts_.push_back(spaced(text));
        if (leader) leaders_.push_back(*leader);
    }

  private:
    // Two names side by side keep a space between them, or they read as one.
    static LabelBox spaced(LabelBox box) {
        box.left -= 2;
        box.right += 2;
        return box;
    }
    LabelBox bounds_;
    std::vector<LabelBox> texts_, leaders_;
};

// The few drawing operations the picture needs, over one cairo context. What it draws that
// a reader would look for is noted in the log when there is one.
class Painter {
  public:
    Painter(cairo_t* context, DrawnPicture* log) : cr_(context), log_(log) {}

    void colour(Colour c, double alpha = 1.0) {
        cairo_set_source_rgba(cr_, c.red, c.green, c.blue, alpha);
    }
    // The add_ operations only build the current path; fill() or stroke() draws all of it
    // at once, so that many marks of one look become one element of a vector picture.
    void add_line(double x0, double y0, double x1, double y1) {
        cairo_move_to(cr_, x0, y0);
        cairo_line_to(cr_, x1, y1);
    }
    void add_box(double x, double y, double w, double h) { cairo_rectangle(cr_, x, y, w, h); }
    void add_dot(double x, double y, double radius) {
        cairo_new_sub_path(cr_);
        cairo_arc(cr_, x, y, radius, 0, 2 * M_PI);
    }
    // A closed polygon through the given corners.
    void add_shape(std::initializer_list<std::pair<double, double>> corners) {
        bool first = true;
        for (auto [x, y] : corners) {
            if (first) cairo_move_to(cr_, x, y);
            if (!first) cairo_line_to(cr_, x, y);
            first = false;
        }
        cairo_close_path(cr_);
    }
    void fill() { cairo_fill(cr_); }
    void stroke(double width) {
        cairo_set_line_width(cr_, width);
        cairo_stroke(cr_);
    }

    void line(double x0, double y0, double x1, double y1, double width) {
        add_line(x0, y0, x1, y1);
        stroke(width);
    }
    void dashed_line(double x0, double y0, double x1, double y1, double width) {
        const double dashes[] = {4.0, 3.0};
        cairo_set_dash(cr_, dashes, 2, 0);
        line(x0, y0, x1, y1, width);
        cairo_set_dash(cr_, nullptr, 0, 0);
    }
    void box(double x, double y, double w, double h) {
        add_box(x, y, w, h);
        fill();
    }
    void dot(double x, double y, double radius) {
        add_dot(x, y, radius);
        fill();
    }
    void ring(double x, double y, double radius, double width) {
        add_dot(x, y, radius);
        stroke(width);
    }
    void shape(std::initializer_list<std::pair<double, double>> corners) {
        add_shape(corners);
        fill();
    }
    double text_width(const std::string& utf8, double size, bool bold = false) {
        font(size, bold);
        cairo_text_extents_t extents;
        cairo_text_extents(cr_, utf8.c_str(), &extents);
        return extents.x_advance;
    }
    // The box a level text whose baseline starts at (x, y) takes: its advance across, the
    // font's ascent and descent up and down.
    LabelBox text_box(double x, double y, const std::string& utf8, double size, bool bold = false) {
        double width = text_width(utf8, size, bold);
        cairo_font_extents_t extents;
        cairo_font_extents(cr_, &extents);
        return {x, y - extents.ascent, x + width, y + extents.descent};
    }
    // A station's name, with the box it takes, for readers of the picture.
    void note_label(const std::string& utf8, const LabelBox& box) {
        if (log_) log_->labels.push_back({utf8, box.left, box.top, box.right, box.bottom});
    }
    // Text whose baseline starts at (x, y), turned by angle (radians, clockwise).
    void text(double x, double y, const std::string& utf8, double size, Align align = Align::left,
              bool bold = false, double angle = 0) {
        double width = text_width(utf8, size, bold);
        double shift = align == Align::left ? 0 : align == Align::centre ? width / 2 : width;
        cairo_save(cr_);
        cairo_translate(cr_, x, y);
        cairo_rotate(cr_, angle);
        cairo_move_to(cr_, -shift, 0);
        cairo_show_text(cr_, utf8.c_str());
        cairo_restore(cr_);
        if (log_) log_->texts.push_back(utf8);
    }
    // Draws only inside the box until the returned guard ends.
    struct Clip {
        cairo_t* cr;
        ~Clip() { cairo_restore(cr); }
    };
    Clip clip_to(double left, double top, double width, double height) {
        cairo_save(cr_);
        cairo_rectangle(cr_, left, top, width, height);
        cairo_clip(cr_);
        return Clip{cr_};
    }
    void mark(const char* what, double metre) {
        if (log_) log_->marks.push_back({what, metre});
    }
    DrawnPicture* log() { return log_; }
    cairo_t* context() { return cr_; }

  private:
    void font(double size, bool bold) {
        cairo_select_font_face(cr_, "sans-serif", CAIRO_FONT_SLANT_NORMAL,
                               bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(cr_, size);
    }
    cairo_t* cr_;
    DrawnPicture* log_;
};

// The part of the route a picture shows, in metres.
struct Window {
    double start;
    double end;
    bool whole;  // the whole route, not a stretch
    double length() const { return end - start; }
    bool contains(double metre) const { return metre >= start && metre <= end; }
    bool overlaps(double from, double to) const { return from <= end && to >= start; }
};

double metre_of(std::size_t cell) {
    return static_cast<double>(cell) * cell_length;
}

Window window_for(const Model& model, const std::optional<units::Stretch>& stretch) {
    double cells_end = metre_of(model.cells.size());
    if (!stretch) return {0, cells_end, true};
    if (stretch->from >= cells_end) {
        throw UsageProblem("the stretch from " + units::km_and_metres(stretch->from) +
                           " lies past the end of the cells at " +
                           units::km_and_metres(static_cast<std::int64_t>(cells_end)));
    }
    double start = stretch->from;
    double end = std::min<double>(stretch->to, cells_end);
    return {start, end, false};
}

// What the picture marks, gathered from the cells once; positions in metres.
struct Slowdown {
    double start;
    double end;
    int speed;
};
// A route sign board (with its text) or a group of maximum-speed boards.
struct Board {
    double at;
    bool sign;
    std::string text;
};
struct Features {
    std::vector<double> signals;
    std::vector<Board> boards;
    std::vector<double> advance_points;
    std::vector<double> warning_boards;
    std::vector<double> code_changes;
    std::vector<double> stop_cells;
    std::vector<Slowdown> slowdowns;
};

// A slowdown ends at the first end cell after its start; one whose end is hidden ends there.
double slowdown_end_after(const std::vector<TrackCell>& cells, std::size_t start) {
    for (std::size_t i = start + 1; i < cells.size(); ++i) {
        if (cells[i].kind == cell_kind::slowdown_end) return metre_of(i);
    }
    return metre_of(start);
}

// A sign board's cell points at the record holding its text.
std::string board_text(const Model& model, const TrackCell& cell) {
    if (cell.val1 < 0 || cell.val1 >= record_count) return "";
    return single_byte_to_utf8(model.records[cell.val1].text);
}

// The features inside the window (a slowdown when any of it is).
Features gather_features(const Model& model, const Window& window) {
    const std::vector<TrackCell>& cells = model.cells;
    Features f;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        double at = metre_of(i);
        if (cells[i].kind == cell_kind::slowdown_start) {
            Slowdown s{at, slowdown_end_after(cells, i), cells[i].val1};
            if (window.overlaps(s.start, s.end)) f.slowdowns.push_back(s);
            continue;
        }
        if (!window.contains(at)) continue;
        switch (cells[i].kind) {
            case cell_kind::signal:
                f.signals.push_back(at);
                break;
            case cell_kind::sign_board:
                f.boards.push_back({at, true, board_text(model, cells[i])});
                break;
            case cell_kind::speed_boards:
                f.boards.push_back({at, false, ""});
                break;
            case cell_kind::slowdown_advance:
                f.advance_points.push_back(at);
                break;
            case cell_kind::slowdown_warning:
                f.warning_boards.push_back(at);
                break;
            case cell_kind::code_change:
            case cell_kind::code_change_plain:
                f.code_changes.push_back(at);
                break;
            case cell_kind::station_stop:
                f.stop_cells.push_back(at);
                break;
            default:
                break;
        }
    }
    return f;
}

// The stations whose stretch reaches into the window.
std::vector<int> stations_in(const Model& model, const Window& window) {
    std::vector<int> slots;
    for (int slot : station_slots(model)) {
        const ScenarioRecord& r = model.records[slot];
        double from = std::min(r.zone_start, r.position), to = std::max(r.zone_end, r.position);
        if (window.overlaps(from, to)) slots.push_back(slot);
    }
    return slots;
}

// The order in which stations claim room for their names: the timed ones (the origin, the
// stops, the terminus) first, then the other stopping stations, then those the train only
// passes, each group in route order.
std::vector<int> by_label_priority(const Model& model, std::vector<int> slots) {
    auto rank = [&](int slot) {
        const ScenarioRecord& r = model.records[slot];
        return r.time_s != 0 ? 0 : r.kind < 25 ? 1 : 2;
    };
    std::stable_sort(slots.begin(), slots.end(), [&](int a, int b) { return rank(a) < rank(b); });
    return slots;
}

std::string one_decimal(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

// "1 signal", "3 signals".
std::string counted(std::size_t count, const std::string& thing) {
    return std::to_string(count) + " " + thing + (count == 1 ? "" : "s");
}

// Panel titles in capitals of the one small type size: the station names already bring
// most capitals' outlines into an SVG, so titles add almost nothing to its size.
void panel_title(Painter& p, double x, double y, const std::string& title,
                 Align align = Align::right) {
    std::string capitals = title;
    for (char& c : capitals) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    p.colour(ink);
    p.text(x, y, capitals, 9, align);
}

void draw_title(Painter& p, const Model& model, const Features& f, const Window& window) {
    std::size_t stations = stations_in(model, window).size();
    // The compiled records carry the identity the files were made with.
    std::string title = single_byte_to_utf8(model.records[record_slot::route_identity].text) + " " +
                        single_byte_to_utf8(model.records[record_slot::train_identity].text);
    std::string extent = window.whole ? one_decimal(route_length(model) / 1000.0) + " km"
                                      : units::km_and_metres(std::llround(window.start)) + " to " +
                                            units::km_and_metres(std::llround(window.end)) + " (" +
                                            one_decimal(window.length() / 1000.0) + " km)";
    std::string facts = extent + ", " + counted(stations, "station") + ", " +
                        counted(f.signals.size(), "signal") + ", " +
                        counted(f.slowdowns.size(), "slowdown") + ", " +
                        counted(f.code_changes.size(), "code-change point");
    // One type size keeps a vector picture small: each size carries its own glyph outlines.
    panel_title(p, left_margin, 30, title, Align::left);
    p.colour(grey);
    p.text(left_margin + p.text_width(title, 9) + 16, 30, facts, 9);
}

// ---- Legends --------------------------------------------------------------------------

enum class Swatch { line, box, dot, ring, tick, triangle, diamond };
struct LegendItem {
    Swatch swatch;
    Colour colour;
    std::string text;
};

void draw_swatch(Painter& p, Swatch swatch, double x, double y) {
    switch (swatch) {
        case Swatch::line:
            p.line(x - 6, y, x + 6, y, 1.5);
            break;
        case Swatch::box:
            p.box(x - 6, y - 4, 12, 8);
            break;
        case Swatch::dot:
            p.dot(x, y, 3.5);
            break;
        case Swatch::ring:
            p.ring(x, y, 3.5, 1.5);
            break;
        case Swatch::tick:
            p.line(x, y - 5, x, y + 5, 1);
            break;
        case Swatch::triangle:
            p.shape({{x - 4, y - 4}, {x + 4, y - 4}, {x, y + 4}});
            break;
        case Swatch::diamond:
            p.shape({{x, y - 5}, {x + 4, y}, {x, y + 5}, {x - 4, y}});
            break;
    }
}

// A one-row legend on a white ground, ending at the right edge of the panel.
void draw_legend(Painter& p, double right, double top, const std::vector<LegendItem>& items) {
    constexpr double size = 9, swatch_width = 18, gap = 12;
    double width = 0;
    for (const LegendItem& item : items)
        width += swatch_width + p.text_width(item.text, size) + gap;
    double x = right - width;
    p.colour({1, 1, 1}, 0.85);
    p.box(x - 4, top, width + 4, 14);
    for (const LegendItem& item : items) {
        p.colour(item.colour);
        draw_swatch(p, item.swatch, x + 7, top + 7);
        p.colour(ink);
        p.text(x + swatch_width, top + 11, item.text, size);
        x += swatch_width + p.text_width(item.text, size) + gap;
    }
    if (p.log()) ++p.log()->legends;
}

// ---- Ground plan ---------------------------------------------------------------------

// Whether the plan holds points for the window.
bool plan_shows(const Plan& plan, const Window& window) {
    return plan.exists() && plan.origin_set && plan.computed_end > 2 &&
           window.start < plan.computed_end;
}

// The plan points of the window and the rectangle around them.
struct PlanExtent {
    std::int32_t first, end;  // point indexes, both drawn
    double x_min, x_max, y_min, y_max;
    double span_x() const { return std::max(x_max - x_min, 1.0); }
    double span_y() const { return std::max(y_max - y_min, 1.0); }
};

PlanExtent plan_extent(const Plan& plan, const Window& window) {
    const std::int32_t last = plan.computed_end - 1;
    PlanExtent e{};
    e.first = std::clamp(static_cast<std::int32_t>(window.start), 0, last);
    e.end = std::clamp(static_cast<std::int32_t>(std::ceil(window.end)), e.first, last);
    e.x_min = e.x_max = plan.x[e.first];
    e.y_min = e.y_max = plan.y[e.first];
    for (std::int32_t point = e.first; point <= e.end; ++point) {
        e.x_min = std::min(e.x_min, plan.x[point]);
        e.x_max = std::max(e.x_max, plan.x[point]);
        e.y_min = std::min(e.y_min, plan.y[point]);
        e.y_max = std::max(e.y_max, plan.y[point]);
    }
    return e;
}

// Maps plan coordinates into a box at one scale for both axes (north stays up), fitted to
// the points of the window.
class PlanView {
  public:
    PlanView(const Plan& plan, Box box, const Window& window) : plan_(plan) {
        const PlanExtent e = plan_extent(plan, window);
        last_ = plan.computed_end - 1;
        first_ = e.first;
        end_ = e.end;
        scale_ = std::min(box.width / e.span_x(), box.height / e.span_y());
        left_ = box.left + (box.width - e.span_x() * scale_) / 2 - e.x_min * scale_;
        bottom_ = box.bottom() - (box.height - e.span_y() * scale_) / 2 + e.y_min * scale_;
    }
    std::int32_t first_point() const { return first_; }
    std::int32_t end_point() const { return end_; }
    double scale() const { return scale_; }
    // The point at a route position, held to the computed points.
    std::pair<double, double> at(double metre) const {
        auto point = static_cast<std::int32_t>(std::clamp(metre, 0.0, double(last_)));
        return {left_ + plan_.x[point] * scale_, bottom_ - plan_.y[point] * scale_};
    }

  private:
    const Plan& plan_;
    std::int32_t last_, first_ = 0, end_ = 0;
    double scale_ = 1, left_ = 0, bottom_ = 0;
};

// Puts a name beside its dot where it hides no other name and stays in the panel; leaves
// it out when there is no such place (the profile below names the stations too).
void place_label(Painter& p, LabelSpace& space, double x, double y, const std::string& name) {
    constexpr double size = 9;
    double width = p.text_width(name, size);
    const std::pair<double, double> offsets[] = {
        {7, 4}, {-7 - width, 4}, {-width / 2, -7}, {-width / 2, 15}};
    for (auto [dx, dy] : offsets) {
        LabelBox candidate = p.text_box(x + dx, y + dy, name, size);
        if (!space.free(candidate)) continue;
        space.take(candidate);
        p.text(x + dx, y + dy, name, size);
        p.note_label(name, candidate);
        return;
    }
}

// A round length for a scale bar of at most a quarter of the box: 50 m up to 500 km.
double scale_bar_metres(double metres_per_unit, double width) {
    const double lengths[] = {50,    100,   200,   500,    1000,   2000,  5000,
                              10000, 20000, 50000, 100000, 200000, 500000};
    double length = lengths[0];
    for (double metres : lengths) {
        if (metres * metres_per_unit <= width / 4) length = metres;
    }
    return length;
}

// Returns the room the bar and its label take.
LabelBox draw_scale_bar(Painter& p, const PlanView& view, Box box) {
    double length = scale_bar_metres(view.scale(), box.width);
    double pixels = length * view.scale();
    double x = box.left + 12, y = box.bottom() - 14;
    p.colour(ink);
    p.line(x, y, x + pixels, y, 2);
    p.line(x, y - 4, x, y + 4, 1);
    p.line(x + pixels, y - 4, x + pixels, y + 4, 1);
    std::string label = length < 1000 ? std::to_string(static_cast<int>(length)) + " m"
                                      : std::to_string(static_cast<int>(length / 1000)) + " km";
    p.text(x + pixels / 2, y - 6, label, 9, Align::centre);
    return {x - 2, y - 6 - 12, x + std::max(pixels, p.text_width(label, 9)) + 4, y + 6};
}

// The line through the plan's points, with a new corner only where it has moved at least
// one unit of the output (a pixel, or a point of the vector page): finer detail cannot show.
std::size_t draw_plan_line(Painter& p, const PlanView& view) {
    constexpr double resolution = 1.0;
    cairo_t* cr = p.context();
    auto [last_x, last_y] = view.at(view.first_point());
    cairo_move_to(cr, last_x, last_y);
    std::size_t drawn = 1;
    for (std::int32_t point = view.first_point() + 1; point <= view.end_point(); ++point) {
        auto [x, y] = view.at(point);
        if (point != view.end_point() && std::hypot(x - last_x, y - last_y) < resolution) continue;
        cairo_line_to(cr, x, y);
        last_x = x;
        last_y = y;
        ++drawn;
    }
    cairo_stroke(cr);
    return drawn;
}

// Signals as small squares, but only when the scale keeps every one apart from the next:
// marks that run together would hide the track, and showing some would tell of fewer
// signals than there are. The profile below shows them all.
bool draw_plan_signals(Painter& p, const PlanView& view, const std::vector<double>& signals) {
    constexpr double half = 2.5;  // squares: the smallest shape to store
    for (std::size_t i = 1; i < signals.size(); ++i) {
        auto [x0, y0] = view.at(signals[i - 1]);
        auto [x1, y1] = view.at(signals[i]);
        if (std::hypot(x1 - x0, y1 - y0) < 3 * half) return false;
    }
    p.colour(signal_colour);
    for (double at : signals) {
        auto [x, y] = view.at(at);
        p.add_box(x - half, y - half, 2 * half, 2 * half);
    }
    p.fill();
    return true;
}

void draw_ground_plan(Painter& p, const Model& model, const Plan& plan, const Features& f, Box box,
                      const Window& window) {
    p.colour(ink);
    panel_title(p, box.left, box.top + 14, "Ground plan", Align::left);
    if (!plan_shows(plan, window)) {
        p.colour(grey);
        p.text(box.left + box.width / 2, box.top + box.height / 2,
               "no ground plan here (compiled without one, or the plan stops before)", 14,
               Align::centre);
        return;
    }
    PlanView view(plan, {box.left + 30, box.top + 30, box.width - 60, box.height - 60}, window);
    p.colour(track_colour);
    cairo_set_line_width(p.context(), 2);
    cairo_set_line_join(p.context(), CAIRO_LINE_JOIN_ROUND);
    std::size_t points = draw_plan_line(p, view);
    if (p.log()) p.log()->plan_line_points = points;

    p.colour(signal_colour);
    bool signals_shown = draw_plan_signals(p, view, f.signals);
    const std::vector<int> stations = stations_in(model, window);
    for (int slot : stations) {
        const ScenarioRecord& station = model.records[slot];
        if (!window.contains(station.position)) continue;
        auto [x, y] = view.at(station.position);
        p.colour(station_colour);
        if (station.kind < 25) p.dot(x, y, 4);
        if (station.kind >= 25) p.ring(x, y, 3.5, 1.5);
    }
    // Names stay below the panel's title and legend, and off the scale bar.
    LabelSpace space({box.left, box.top + 20, box.right(), box.bottom()});
    space.take(draw_scale_bar(p, view, box));
    p.colour(ink);
    for (int slot : by_label_priority(model, stations)) {
        const ScenarioRecord& station = model.records[slot];
        // Over the whole route the plan names the timetabled stations only; the profile
        // below names the others where there is room.
        if (!window.contains(station.position) || (window.whole && station.time_s == 0)) continue;
        auto [x, y] = view.at(station.position);
        place_label(p, space, x, y, single_byte_to_utf8(station.text));
    }
    std::vector<LegendItem> legend{{Swatch::line, track_colour, "track"},
                                   {Swatch::dot, station_colour, "station"},
                                   {Swatch::ring, station_colour, "station, no stop"}};
    if (signals_shown) legend.push_back({Swatch::box, signal_colour, "signal"});
    draw_legend(p, box.right(), box.top + 4, legend);
}

// ---- Line profile --------------------------------------------------------------------

// Route positions of the window across the width of the profile lanes.
struct RouteAxis {
    double left;
    double width;
    Window window;
    double x(double metre) const { return left + width * (metre - window.start) / window.length(); }
    double right() const { return left + width; }
};

void lane_title(Painter& p, Box lane, const std::string& title, const std::string& unit = "") {
    p.colour(ink);
    panel_title(p, lane.left - 44, lane.top + 14, title);
    if (!unit.empty()) {
        p.colour(grey);
        p.text(lane.left - 44, lane.top + 28, unit, 9, Align::right);
    }
}

void value_grid_line(Painter& p, Box lane, double y, const std::string& label) {
    p.colour(faint);
    p.line(lane.left, y, lane.right(), y, 1);
    p.colour(grey);
    p.text(lane.left - 6, y + 4, label, 9, Align::right);
}

// The cells the window shows, as a half-open index range.
std::pair<std::size_t, std::size_t> cells_of(const std::vector<TrackCell>& cells,
                                             const Window& window) {
    auto first = static_cast<std::size_t>(window.start / cell_length);
    auto end = static_cast<std::size_t>(std::ceil(window.end / cell_length));
    return {std::min(first, cells.size()), std::min(end, cells.size())};
}

// Draws one value per cell as a step line from the window's start to `until`, with a new
// corner only where the value changes.
template <typename ValueOf>
void step_line(Painter& p, const std::vector<TrackCell>& cells, const RouteAxis& axis, double until,
               ValueOf y_of) {
    auto [first, end] = cells_of(cells, axis.window);
    if (first >= end || until <= axis.window.start) return;
    cairo_t* cr = p.context();
    cairo_set_line_width(cr, 1.5);
    double last_y = y_of(cells[first]);
    cairo_move_to(cr, axis.x(axis.window.start), last_y);
    for (std::size_t i = first + 1; i < end && metre_of(i) < until; ++i) {
        double y = y_of(cells[i]);
        if (y == last_y) continue;
        cairo_line_to(cr, axis.x(metre_of(i)), last_y);
        cairo_line_to(cr, axis.x(metre_of(i)), y);
        last_y = y;
    }
    cairo_line_to(cr, axis.x(std::min(until, axis.window.end)), last_y);
    cairo_stroke(cr);
}

void draw_speed_lane(Painter& p, const Model& model, const RouteAxis& axis, Box lane) {
    lane_title(p, lane, "Speed limit", "km/h");
    auto [first, end] = cells_of(model.cells, axis.window);
    int highest = 0;
    for (std::size_t i = first; i < end; ++i) {
        highest = std::max(highest, units::speed_kmh(model.cells[i].speed_limit));
    }
    int step = highest > 250 ? 100 : 50;
    int top = std::max(step, (highest + step - 1) / step * step);
    auto y_of = [&](double speed) { return lane.bottom() - lane.height * speed / top; };
    for (int speed = 0; speed <= top; speed += step) {
        value_grid_line(p, lane, y_of(speed), std::to_string(speed));
        if (p.log()) p.log()->speed_axis_labels.push_back(std::to_string(speed));
    }
    // Past the route's end the cells hold no speed: the line stops there.
    double until = std::min<double>(route_length(model), axis.window.end);
    p.colour(speed_colour);
    step_line(p, model.cells, axis, until,
              [&](const TrackCell& c) { return y_of(units::speed_kmh(c.speed_limit)); });
    if (p.log()) p.log()->speed_line_end = until;
    draw_legend(p, lane.right(), lane.top - 14, {{Swatch::line, speed_colour, "speed limit"}});
}

void draw_gradient_lane(Painter& p, const Model& model, const RouteAxis& axis, Box lane) {
    lane_title(p, lane, "Gradient", "per mille");
    const auto& cells = model.cells;
    auto [first, end] = cells_of(cells, axis.window);
    int steepest = 0;
    for (std::size_t i = first; i < end; ++i) {
        if (auto g = units::gradient_per_mille(cells[i].gradient)) {
            steepest = std::max(steepest, std::abs(*g));
        }
    }
    int range = std::max(5, (steepest + 4) / 5 * 5);
    double middle = lane.top + lane.height / 2;
    auto y_of = [&](int gradient) { return middle - (lane.height / 2) * gradient / range; };
    value_grid_line(p, lane, y_of(range), "+" + std::to_string(range));
    value_grid_line(p, lane, middle, "0");
    value_grid_line(p, lane, y_of(-range), "-" + std::to_string(range));
    for (int side : {1, -1}) {  // uphill boxes, then downhill ones, each as one shape
        for (std::size_t start = first; start < end;) {
            std::size_t stop = start + 1;
            while (stop < end && cells[stop].gradient == cells[start].gradient) ++stop;
            std::optional<int> gradient = units::gradient_per_mille(cells[start].gradient);
            if (gradient && *gradient * side > 0) {
                double x0 = axis.x(std::max(metre_of(start), axis.window.start));
                double x1 = axis.x(std::min(metre_of(stop), axis.window.end));
                double y = y_of(*gradient);
                p.add_box(x0, std::min(y, middle), std::max(x1 - x0, 0.5), std::abs(y - middle));
            }
            start = stop;
        }
        p.colour(side > 0 ? uphill_colour : downhill_colour);
        p.fill();
    }
    draw_legend(
        p, lane.right(), lane.top - 14,
        {{Swatch::box, uphill_colour, "uphill"}, {Swatch::box, downhill_colour, "downhill"}});
}

// Names stand level above the station stretches, each on the lowest row where it covers no
// other name and no leader line of a name placed before: right of its station,
// or left of it where the right side has no room. The more important stations choose first;
// a name with no room left is left out.
void draw_station_names(Painter& p, const Model& model, const std::vector<int>& stations,
                        const RouteAxis& axis, Box room) {
    constexpr double size = 9, row_height = 11;
    const double baseline = room.bottom() - 4;
    LabelSpace space({axis.left, room.top, axis.right(), room.bottom()});
    p.colour(ink);
    for (int slot : by_label_priority(model, stations)) {
        const ScenarioRecord& station = model.records[slot];
        if (!axis.window.contains(station.position)) continue;
        const std::string name = single_byte_to_utf8(station.text);
        const double x = axis.x(station.position), width = p.text_width(name, size);
        for (double y = baseline; y - size >= room.top; y -= row_height) {
            const LabelBox leader{x - 0.5, y + 1, x + 0.5, room.bottom()};
            auto place = [&](double left) {
                const LabelBox text = p.text_box(left, y, name, size);
                if (!space.free(text)) return false;
                space.take(text, leader);
                p.text(left, y, name, size);
                p.note_label(name, text);
                p.add_line(x, y + 2, x, room.bottom());
                return true;
            };
            if (place(x + 2) || place(x - 2 - width)) break;
        }
    }
    p.stroke(0.5);
}

// The mountain stretches, from the same runs of cells the view draws, each named by its type
// where it is wide enough.
void draw_mountain_lane(Painter& p, const Model& model, const RouteAxis& axis, Box lane) {
    lane_title(p, lane, "Mountain");
    p.colour(faint);
    p.line(lane.left, lane.bottom(), lane.right(), lane.bottom(), 1);
    std::vector<CellRun> shown;
    for (const CellRun& run : cell_runs(model.cells, &TrackCell::mountain)) {
        const double from = metre_of(run.first), to = metre_of(run.last + 1);
        if (run.byte == 0 || !axis.window.overlaps(from, to)) continue;
        const double x0 = axis.x(std::max(from, axis.window.start));
        const double x1 = axis.x(std::min(to, axis.window.end));
        p.add_box(x0, lane.top + 2, std::max(x1 - x0, 1.0), lane.height - 4);
        p.mark("mountain", from);
        shown.push_back(run);
    }
    p.colour(mountain_colour);
    p.fill();
    p.colour({1, 1, 1});
    for (const CellRun& run : shown) {
        const double x0 = axis.x(std::max(metre_of(run.first), axis.window.start));
        const double x1 = axis.x(std::min(metre_of(run.last + 1), axis.window.end));
        const std::string text = mountain_text(run.byte);
        if (x1 - x0 > p.text_width(text, 9) + 6) p.text(x0 + 3, lane.bottom() - 4, text, 9);
    }
}

void draw_station_lane(Painter& p, const Model& model, const Features& f, const RouteAxis& axis,
                       Box lane) {
    lane_title(p, lane, "Stations", "stretch, stop");
    double bar_top = lane.bottom() - 12;
    {
        auto clip = p.clip_to(axis.left, lane.top, axis.width, lane.height + 2);
        std::vector<int> stations = stations_in(model, axis.window);
        for (int slot : stations) {
            const ScenarioRecord& station = model.records[slot];
            double x0 = axis.x(std::max(0, station.zone_start));
            double x1 = axis.x(station.zone_end);
            p.add_box(x0, bar_top, std::max(x1 - x0, 1.5), 8);
        }
        p.colour(station_colour, 0.55);
        p.fill();
        for (int slot : stations) {
            const ScenarioRecord& station = model.records[slot];
            if (axis.window.contains(station.position)) p.mark("station", station.position);
        }
        draw_station_names(p, model, stations, axis,
                           {lane.left, lane.top + 16, lane.width, bar_top - lane.top - 16});
        for (double at : f.stop_cells) {
            double x = axis.x(at + cell_length / 2.0);
            p.add_shape({{x, bar_top + 8}, {x - 3, bar_top + 13}, {x + 3, bar_top + 13}});
            p.mark("stop", at);
        }
        p.colour(station_colour);
        p.fill();
    }
    draw_legend(p, lane.right(), lane.top,
                {{Swatch::box, station_colour, "station stretch"},
                 {Swatch::triangle, station_colour, "stop cell"}});
}

// In a short window every feature gets its position written beside it.
bool labels_positions(const RouteAxis& axis) {
    return axis.window.length() <= 5000;
}

// A feature's label: the position its row wrote, by the rule of its kind, where the mark
// stands at its cell's first metre.
std::string written_label(std::uint8_t kind, double at) {
    const std::int64_t metre = std::llround(at);
    const auto cell = static_cast<std::size_t>(metre / cell_length);
    return units::km_and_metres(units::written_position(kind, cell).value_or(metre));
}

void draw_feature_rows(Painter& p, const Features& f, const RouteAxis& axis, Box lane) {
    double row = lane.height / 4;
    auto row_title = [&](int index, const std::string& title) {
        p.colour(ink);
        panel_title(p, lane.left - 44, lane.top + row * index + row / 2 + 4, title);
    };
    row_title(0, "Signals");
    row_title(1, "Slowdowns");
    row_title(2, "Code changes");
    row_title(3, "Boards");
    auto clip = p.clip_to(axis.left, lane.top, axis.width, lane.height);
    auto position_label = [&](std::uint8_t kind, double at, double y) {
        if (!labels_positions(axis)) return;
        p.colour(ink);
        p.text(axis.x(at) + 4, y, written_label(kind, at), 9);
    };
    for (double at : f.signals) {
        p.add_line(axis.x(at), lane.top + 6, axis.x(at), lane.top + row - 4);
        p.mark("signal", at);
    }
    p.colour(signal_colour);
    p.stroke(1);
    for (double at : f.signals) position_label(cell_kind::signal, at, lane.top + row - 6);

    double middle = lane.top + row * 1.5;
    for (const Slowdown& s : f.slowdowns) {
        double x0 = axis.x(s.start), x1 = axis.x(s.end);
        p.colour(slowdown_colour);
        p.box(x0, middle - 6, std::max(x1 - x0, 3.0), 12);
        p.colour(ink);
        // The speed stands after the box, or inside it where the box runs past the window.
        double label_x = x0 + std::max(x1 - x0, 3.0) + 3;
        if (label_x > axis.right() - 40) label_x = std::max(x0, axis.left) + 3;
        p.text(label_x, middle + 4, std::to_string(s.speed) + " km/h", 9);
        p.mark("slowdown", s.start);
    }
    p.colour(slowdown_colour);
    for (double at : f.advance_points) {
        double x = axis.x(at);
        p.add_shape({{x - 4, middle - 6}, {x + 4, middle - 6}, {x, middle + 4}});
        p.mark("slowdown advance point", at);
    }
    p.fill();
    for (double at : f.warning_boards) {
        p.add_line(axis.x(at), middle - 9, axis.x(at), middle + 9);
        p.mark("slowdown warning board", at);
    }
    p.stroke(1);

    double code_middle = lane.top + row * 2.5;
    p.colour(code_colour);
    for (double at : f.code_changes) {
        double x = axis.x(at);
        p.add_shape({{x, code_middle - 6},
                     {x + 4, code_middle},
                     {x, code_middle + 6},
                     {x - 4, code_middle}});
        p.mark("code change", at);
    }
    p.fill();
    for (double at : f.code_changes) position_label(cell_kind::code_change, at, code_middle + 4);

    double board_middle = lane.top + row * 3.5;
    p.colour(board_colour);
    for (const Board& b : f.boards) {
        double x = axis.x(b.at);
        if (b.sign) p.add_box(x - 3, board_middle - 6, 6, 6);
        if (!b.sign)
            p.add_shape(
                {{x - 4, board_middle + 4}, {x + 4, board_middle + 4}, {x, board_middle - 4}});
        p.mark(b.sign ? "sign board" : "speed boards", b.at);
    }
    p.fill();
    for (const Board& b : f.boards) {
        if (!labels_positions(axis)) break;
        p.colour(ink);
        std::string label =
            written_label(b.sign ? cell_kind::sign_board : cell_kind::speed_boards, b.at);
        p.text(axis.x(b.at) + 5, board_middle + 4, b.sign ? label + " " + b.text : label, 9);
    }
}

void draw_feature_legend(Painter& p, Box lane) {
    draw_legend(p, lane.right(), lane.bottom() + 30,  // below the kilometre labels
                {{Swatch::tick, signal_colour, "signal"},
                 {Swatch::box, slowdown_colour, "slowdown"},
                 {Swatch::triangle, slowdown_colour, "advance point"},
                 {Swatch::tick, slowdown_colour, "warning board"},
                 {Swatch::diamond, code_colour, "code change"},
                 {Swatch::box, board_colour, "sign board"},
                 {Swatch::triangle, board_colour, "speed boards"}});
}

// Between labelled ticks: a round number of metres, so that about twenty labels fit.
double tick_step(double metres) {
    const double steps[] = {50,    100,   200,   500,    1000,   2000,  5000,
                            10000, 20000, 50000, 100000, 200000, 500000};
    for (double step : steps) {
        if (metres / step <= 25) return step;
    }
    return 1000000;
}

// Whole kilometres on a long axis; km+m where the ticks are closer than a kilometre.
std::string tick_label(double metre, double step) {
    auto whole = std::llround(metre);
    return step < 1000 ? units::km_and_metres(whole) : std::to_string(whole / 1000);
}

void draw_kilometre_axis(Painter& p, const Model& model, const RouteAxis& axis, Box lanes,
                         double axis_y) {
    const Window& w = axis.window;
    double step = tick_step(w.length());
    const double first = std::ceil(w.start / step) * step;
    for (double at = first; at <= w.end; at += step)
        p.add_line(axis.x(at), lanes.top, axis.x(at), axis_y);
    p.colour(faint);
    p.stroke(0.8);
    p.colour(ink);
    for (double at = first; at <= w.end; at += step) {
        p.add_line(axis.x(at), axis_y, axis.x(at), axis_y + 6);
    }
    p.stroke(1);
    for (double at = first; at <= w.end; at += step) {
        p.text(axis.x(at), axis_y + 19, tick_label(at, step), 9, Align::centre);
    }
    for (double at = std::ceil(w.start / (step / 5)) * (step / 5); at <= w.end; at += step / 5) {
        p.add_line(axis.x(at), axis_y, axis.x(at), axis_y + 3);
    }
    p.stroke(0.8);
    p.line(axis.left, axis_y, axis.right(), axis_y, 1);
    panel_title(p, axis.left - 44, axis_y + 19, step < 1000 ? "km+m" : "km");
    double end = route_length(model);
    if (w.contains(end) && end < w.end) {
        p.colour(grey);
        p.dashed_line(axis.x(end), lanes.top, axis.x(end), axis_y, 1);
        p.text(axis.x(end) - 4, axis_y - 4, "end of route", 9, Align::right);
    }
}

// The profile's lanes, one under the other from its top.
struct ProfileLanes {
    Box speed, gradient, mountain, stations, rows;
    double axis_y;
    double bottom() const { return rows.bottom() + 50; }  // under the feature legend
};

ProfileLanes profile_lanes(double top) {
    const double width = page_width - left_margin - right_margin;
    ProfileLanes l{};
    l.speed = {left_margin, top, width, 110};
    l.gradient = {left_margin, l.speed.bottom() + 26, width, 90};
    l.mountain = {left_margin, l.gradient.bottom() + 10, width, 20};
    l.stations = {left_margin, l.mountain.bottom() + 8, width, 140};
    l.rows = {left_margin, l.stations.bottom() + 8, width, 128};
    l.axis_y = l.rows.bottom() + 4;
    return l;
}

void draw_profile(Painter& p, const Model& model, const Features& f, const ProfileLanes& lanes,
                  const Window& window) {
    const double top = lanes.speed.top, width = lanes.speed.width;
    RouteAxis axis{left_margin, width, window};
    draw_kilometre_axis(p, model, axis, {left_margin, top, width, lanes.axis_y - top},
                        lanes.axis_y);
    draw_speed_lane(p, model, axis, lanes.speed);
    draw_gradient_lane(p, model, axis, lanes.gradient);
    draw_mountain_lane(p, model, axis, lanes.mountain);
    draw_station_lane(p, model, f, axis, lanes.stations);
    draw_feature_rows(p, f, axis, lanes.rows);
    draw_feature_legend(p, lanes.rows);
}

// Where the line picture's parts stand: the ground plan as high as the shape of the line in
// the window needs at the width it has (a straight line gets a strip, not half the page),
// the profile under it, and the picture as high as both.
struct LineLayout {
    Box plan;
    ProfileLanes profile;
    double height;
};

LineLayout line_layout(const Plan& plan, const Window& window) {
    // A line running north and south stays a narrow column at any height: more than a
    // third of the page would add little but blank paper beside it.
    constexpr double smallest = 170, largest = 340, padding = 60;
    const double width = page_width - left_margin - right_margin;
    double height = smallest;
    if (plan_shows(plan, window)) {
        const PlanExtent e = plan_extent(plan, window);
        height = (width - padding) * e.span_y() / e.span_x() + padding;
    }
    LineLayout layout{};
    layout.plan = {left_margin, 50, width, std::clamp(height, smallest, largest)};
    layout.profile = profile_lanes(layout.plan.bottom() + 34);
    layout.height = std::ceil(layout.profile.bottom());
    return layout;
}

void draw_picture(cairo_t* cr, const Model& model, const Plan& plan, const Window& window,
                  const LineLayout& layout, DrawnPicture* log) {
    Painter p(cr, log);
    if (log) log->width = page_width, log->height = layout.height;
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    Features f = gather_features(model, window);
    draw_title(p, model, f, window);
    draw_ground_plan(p, model, plan, f, layout.plan, window);
    draw_profile(p, model, f, layout.profile, window);
}

// ---- The timetable as a time-distance diagram -----------------------------------------

constexpr Colour scheduled_colour{0.12, 0.32, 0.7};
constexpr Colour fastest_colour{0.1, 0.5, 0.25};
constexpr Colour too_fast_colour{0.82, 0.12, 0.12};

// Position across, time down, as railway graphical timetables are drawn.
struct TimeDistanceAxes {
    Box box;
    double first_metre, last_metre, first_seconds, last_seconds;
    double x(double metre) const {
        return box.left + (metre - first_metre) / (last_metre - first_metre) * box.width;
    }
    double y(double seconds) const {
        return box.top + (seconds - first_seconds) / (last_seconds - first_seconds) * box.height;
    }
};

// About fifteen lines of time: a round number of minutes between them.
double time_step(double seconds) {
    const double steps[] = {60, 120, 300, 600, 900, 1800, 3600, 7200};
    for (double step : steps) {
        if (seconds / step <= 15) return step;
    }
    return 14400;
}

void draw_time_grid(Painter& p, const TimeDistanceAxes& a) {
    const double step = time_step(a.last_seconds - a.first_seconds);
    p.colour(faint);
    for (double at = std::ceil(a.first_seconds / step) * step; at <= a.last_seconds; at += step) {
        p.add_line(a.box.left, a.y(at), a.box.right(), a.y(at));
    }
    p.stroke(0.8);
    p.colour(ink);
    for (double at = std::ceil(a.first_seconds / step) * step; at <= a.last_seconds; at += step) {
        p.text(a.box.left - 8, a.y(at) + 3, units::clock_time(std::llround(at)).substr(0, 5), 9,
               Align::right);
    }
}

// Every station a thin upright line, named at the top. The names stand turned, reading
// upwards; the timed stations are named first, and a station passed whose name would cover
// another is left unnamed.
void draw_station_lines(Painter& p, const TimeDistanceAxes& a, const TimetableDiagram& d) {
    constexpr double size = 8;
    p.colour(faint);
    for (const DiagramStation& s : d.stations) {
        p.add_line(a.x(s.position), a.box.top, a.x(s.position), a.box.bottom());
    }
    p.stroke(0.8);
    std::vector<const DiagramStation*> order;
    for (bool timed : {true, false}) {
        for (const DiagramStation& s : d.stations) {
            if (s.timed == timed) order.push_back(&s);
        }
    }
    LabelSpace space({0, 0, page_width, a.box.top - 2});
    for (const DiagramStation* s : order) {
        const std::string name = windows_1252_to_utf8(s->name);
        const double x = a.x(s->position) + 3, y = a.box.top - 6;
        // Turned a quarter to the left, the letters stand over the baseline's left side.
        const LabelBox level = p.text_box(0, 0, name, size, s->timed);
        const LabelBox turned{x + level.top, y - (level.right - level.left), x + level.bottom, y};
        if (!space.free(turned)) continue;
        space.take(turned);
        p.colour(s->timed ? ink : grey);
        p.text(x, y, name, size, Align::left, s->timed, -M_PI / 2);
        p.note_label(name, turned);
    }
}

void draw_timetable_paths(Painter& p, const TimeDistanceAxes& a, const TimetableDiagram& d) {
    for (const DiagramRun& run : d.runs) {
        if (run.fastest.size() < 2) continue;
        p.colour(fastest_colour);
        for (std::size_t i = 1; i < run.fastest.size(); ++i) {
            p.add_line(a.x(run.fastest[i - 1].metre), a.y(run.fastest[i - 1].seconds),
                       a.x(run.fastest[i].metre), a.y(run.fastest[i].seconds));
        }
        p.stroke(1.2);
    }
    for (const DiagramRun& run : d.runs) {
        const DiagramStation& from = d.stations[run.run.from];
        const DiagramStation& to = d.stations[run.run.to];
        const bool tight = run.run.too_fast() || !run.run.rises();
        p.colour(tight ? too_fast_colour : scheduled_colour);
        p.line(a.x(from.position), a.y(from.seconds), a.x(to.position), a.y(to.seconds),
               tight ? 2.5 : 1.6);
        if (tight) p.mark("too tight", to.position);
    }
    p.colour(scheduled_colour);
    for (const DiagramStation& s : d.stations) {
        if (!s.timed) continue;
        p.dot(a.x(s.position), a.y(s.seconds), 3.5);
        p.mark("timed station", s.position);
    }
}

void draw_timetable(cairo_t* cr, const Model& model, DrawnPicture* log) {
    Painter p(cr, log);
    if (log) log->width = page_width, log->height = page_height;
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    const TimetableDiagram d = timetable_diagram(model);
    p.colour(ink);
    p.text(left_margin, 30,
           "Timetable of train " + model.train_number +
               ": scheduled path (blue, red where "
               "too tight) and the fastest path the speed limits allow (green)",
           14, Align::left, true);
    const std::size_t timed = static_cast<std::size_t>(std::count_if(
        d.stations.begin(), d.stations.end(), [](const DiagramStation& s) { return s.timed; }));
    if (timed < 2 || d.last_metre <= d.first_metre) {
        p.text(left_margin, 80, "fewer than two timed stations: no timetable to draw", 12);
        return;
    }
    const double span = std::max(d.last_seconds - d.first_seconds, 60.0);
    const TimeDistanceAxes axes{
        {left_margin, 250, page_width - left_margin - right_margin, page_height - 310},
        double(d.first_metre),
        double(d.last_metre),
        d.first_seconds - span * 0.02,
        d.first_seconds + span * 1.02};
    draw_time_grid(p, axes);
    draw_station_lines(p, axes, d);
    draw_timetable_paths(p, axes, d);
    p.colour(ink);
    p.line(axes.box.left, axes.box.top, axes.box.left, axes.box.bottom(), 1);
    p.text(axes.box.left, axes.box.bottom() + 24,
           "position along the line, " + units::km_and_metres(d.first_metre) + " to " +
               units::km_and_metres(d.last_metre) + "; time runs down",
           10);
}

// ---- Output --------------------------------------------------------------------------

cairo_status_t append_bytes(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

void check(cairo_status_t status) {
    if (status != CAIRO_STATUS_SUCCESS) {
        throw std::runtime_error(std::string("cannot draw the picture: ") +
                                 cairo_status_to_string(status));
    }
}

using SurfaceHandle = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;
using ContextHandle = std::unique_ptr<cairo_t, decltype(&cairo_destroy)>;

SurfaceHandle make_surface(PictureFormat format, std::string& bytes, double height) {
    cairo_surface_t* surface = nullptr;
    switch (format) {
        case PictureFormat::png:
            surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(page_width), int(height));
            break;
        case PictureFormat::svg:
            surface = cairo_svg_surface_create_for_stream(append_bytes, &bytes, page_width, height);
            break;
        case PictureFormat::pdf:
            surface = cairo_pdf_surface_create_for_stream(append_bytes, &bytes, page_width, height);
            break;
    }
    return {surface, cairo_surface_destroy};
}

}  // namespace

std::optional<PictureFormat> picture_format_for(const std::filesystem::path& output) {
    std::string extension = output.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".png") return PictureFormat::png;
    if (extension == ".svg") return PictureFormat::svg;
    if (extension == ".pdf") return PictureFormat::pdf;
    return std::nullopt;
}

namespace {

// One picture drawn by `draw` into the format's bytes.
template <typename Draw>
std::string picture_bytes(PictureFormat format, double height, Draw draw) {
    std::string bytes;
    SurfaceHandle surface = make_surface(format, bytes, height);
    check(cairo_surface_status(surface.get()));
    {
        ContextHandle cr(cairo_create(surface.get()), cairo_destroy);
        draw(cr.get());
        check(cairo_status(cr.get()));
    }
    if (format == PictureFormat::png) {
        check(cairo_surface_write_to_png_stream(surface.get(), append_bytes, &bytes));
    }
    cairo_surface_finish(surface.get());
    check(cairo_surface_status(surface.get()));
    return bytes;
}

// What one picture drawn by `draw` shows.
template <typename Draw>
DrawnPicture picture_log(Draw draw) {
    SurfaceHandle surface(cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, nullptr),
                          cairo_surface_destroy);
    check(cairo_surface_status(surface.get()));
    DrawnPicture picture;
    ContextHandle cr(cairo_create(surface.get()), cairo_destroy);
    draw(cr.get(), &picture);
    check(cairo_status(cr.get()));
    return picture;
}

}  // namespace

std::string scenario_picture(const Model& model, const Plan& plan, PictureFormat format,
                             const std::optional<units::Stretch>& stretch) {
    if (model.cells.empty()) throw UsageProblem("the scenario has no cells to draw");
    Window window = window_for(model, stretch);
    const LineLayout layout = line_layout(plan, window);
    return picture_bytes(format, layout.height, [&](cairo_t* cr) {
        draw_picture(cr, model, plan, window, layout, nullptr);
    });
}

std::string timetable_picture(const Model& model, PictureFormat format) {
    return picture_bytes(format, page_height,
                         [&](cairo_t* cr) { draw_timetable(cr, model, nullptr); });
}

DrawnPicture drawn_timetable(const Model& model) {
    return picture_log([&](cairo_t* cr, DrawnPicture* log) { draw_timetable(cr, model, log); });
}

DrawnPicture drawn_picture(const Model& model, const Plan& plan,
                           const std::optional<units::Stretch>& stretch) {
    if (model.cells.empty()) throw UsageProblem("the scenario has no cells to draw");
    Window window = window_for(model, stretch);
    const LineLayout layout = line_layout(plan, window);
    return picture_log([&](cairo_t* cr, DrawnPicture* log) {
        draw_picture(cr, model, plan, window, layout, log);
    });
}

int run_plot(const PlotRequest& request, std::ostream& out, std::ostream& err) {
    return report_problems(err, [&] {
        std::optional<PictureFormat> format = picture_format_for(request.output);
        if (!format) {
            throw UsageProblem(request.output.string() +
                               ": the picture's name must end in .png, .svg or .pdf");
        }
        if (request.timetable && request.stretch) {
            throw UsageProblem("--timetable draws the whole timetable; leave out --from and --to");
        }
        CompiledScenario scenario = load_compiled_scenario(request.inputs);
        refuse_mixed_set(scenario);
        std::string picture = request.timetable ? timetable_picture(scenario.model, *format)
                                                : scenario_picture(scenario.model, scenario.plan,
                                                                   *format, request.stretch);
        prepare_output_file(request.output);
        write_file_replacing(request.output, picture);
        out << "wrote " << request.output.string() << "\n";
        return 0;
    });
}

}  // namespace scenario::scenc
