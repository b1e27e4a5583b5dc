#include "scenc/plot.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <ostream>
#include <stdexcept>

#include "io/exit_status.h"
#include "io/file_output.h"
#include "scenc/compiled_reader.h"
#include "scenc/input_files.h"
#include "scenc/scenario_view.h"

namespace scenario::scenc {

namespace {

constexpr double page_width = 1600;
constexpr double page_height = 1140;
constexpr double left_margin = 150;  // room for the lane titles
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
constexpr Colour speed_colour{0.1, 0.5, 0.25};
constexpr Colour uphill_colour{0.7, 0.45, 0.2};
constexpr Colour downhill_colour{0.3, 0.55, 0.8};

struct Box {
    double left, top, width, height;
    double right() const { return left + width; }
    double bottom() const { return top + height; }
};

enum class Align { left, centre, right };

// The few drawing operations the picture needs, over one cairo context.
class Painter {
  public:
    explicit Painter(cairo_t* context) : cr_(context) {}

    void colour(Colour c, double alpha = 1.0) {
        cairo_set_source_rgba(cr_, c.red, c.green, c.blue, alpha);
    }
    void line(double x0, double y0, double x1, double y1, double width) {
        cairo_set_line_width(cr_, width);
        cairo_move_to(cr_, x0, y0);
        cairo_line_to(cr_, x1, y1);
        cairo_stroke(cr_);
    }
    void dashed_line(double x0, double y0, double x1, double y1, double width) {
        const double dashes[] = {4.0, 3.0};
        cairo_set_dash(cr_, dashes, 2, 0);
        line(x0, y0, x1, y1, width);
        cairo_set_dash(cr_, nullptr, 0, 0);
    }
    void box(double x, double y, double w, double h) {
        cairo_rectangle(cr_, x, y, w, h);
        cairo_fill(cr_);
    }
    void dot(double x, double y, double radius) {
        cairo_new_sub_path(cr_);
        cairo_arc(cr_, x, y, radius, 0, 2 * M_PI);
        cairo_fill(cr_);
    }
    void ring(double x, double y, double radius, double width) {
        cairo_new_sub_path(cr_);
        cairo_arc(cr_, x, y, radius, 0, 2 * M_PI);
        cairo_set_line_width(cr_, width);
        cairo_stroke(cr_);
    }
    // A filled polygon through the given corners.
    void shape(std::initializer_list<std::pair<double, double>> corners) {
        bool first = true;
        for (auto [x, y] : corners) {
            if (first) cairo_move_to(cr_, x, y);
            if (!first) cairo_line_to(cr_, x, y);
            first = false;
        }
        cairo_close_path(cr_);
        cairo_fill(cr_);
    }
    double text_width(const std::string& utf8, double size, bool bold = false) {
        font(size, bold);
        cairo_text_extents_t extents;
        cairo_text_extents(cr_, utf8.c_str(), &extents);
        return extents.x_advance;
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
    }
    cairo_t* context() { return cr_; }

  private:
    void font(double size, bool bold) {
        cairo_select_font_face(cr_, "sans-serif", CAIRO_FONT_SLANT_NORMAL,
                               bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(cr_, size);
    }
    cairo_t* cr_;
};

// What the picture marks, gathered from the cells once; positions in metres.
struct Slowdown {
    double start;
    double end;
    int speed;
};
struct Features {
    std::vector<double> signals;
    std::vector<double> advance_points;
    std::vector<double> warning_boards;
    std::vector<double> code_changes;
    std::vector<double> stop_cells;
    std::vector<Slowdown> slowdowns;
};

double metre_of(std::size_t cell) {
    return static_cast<double>(cell) * cell_length;
}

// A slowdown ends at the first end cell after its start; one whose end is hidden ends there.
double slowdown_end_after(const std::vector<TrackCell>& cells, std::size_t start) {
    for (std::size_t i = start + 1; i < cells.size(); ++i) {
        if (cells[i].kind == cell_kind::slowdown_end) return metre_of(i);
    }
    return metre_of(start);
}

Features gather_features(const std::vector<TrackCell>& cells) {
    Features f;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        double at = metre_of(i);
        switch (cells[i].kind) {
            case cell_kind::signal:
                f.signals.push_back(at);
                break;
            case cell_kind::slowdown_start:
                f.slowdowns.push_back({at, slowdown_end_after(cells, i), cells[i].val1});
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

std::string one_decimal(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

void draw_title(Painter& p, const Model& model, const Features& f) {
    std::size_t stations = station_slots(model).size();
    // The compiled records carry the identity the files were made with.
    std::string title = single_byte_to_utf8(model.records[record_slot::route_identity].text) + " " +
                        single_byte_to_utf8(model.records[record_slot::train_identity].text);
    std::string facts = one_decimal(route_length(model) / 1000.0) + " km, " +
                        std::to_string(stations) + " stations, " +
                        std::to_string(f.signals.size()) + " signals, " +
                        std::to_string(f.slowdowns.size()) + " slowdowns, " +
                        std::to_string(f.code_changes.size()) + " code-change points";
    p.colour(ink);
    p.text(left_margin, 34, title, 22, Align::left, true);
    p.colour(grey);
    p.text(left_margin + p.text_width(title, 22, true) + 18, 34, facts, 14);
}

// ---- Ground plan ---------------------------------------------------------------------

// Maps plan coordinates into a box at one scale for both axes (north stays up).
class PlanView {
  public:
    PlanView(const Plan& plan, Box box) : plan_(plan), last_(plan.computed_end - 1) {
        double x_min = plan.x[0], x_max = x_min, y_min = plan.y[0], y_max = y_min;
        for (std::int32_t point = 0; point <= last_; ++point) {
            x_min = std::min(x_min, plan.x[point]);
            x_max = std::max(x_max, plan.x[point]);
            y_min = std::min(y_min, plan.y[point]);
            y_max = std::max(y_max, plan.y[point]);
        }
        double span_x = std::max(x_max - x_min, 1.0);
        double span_y = std::max(y_max - y_min, 1.0);
        scale_ = std::min(box.width / span_x, box.height / span_y);
        left_ = box.left + (box.width - span_x * scale_) / 2 - x_min * scale_;
        bottom_ = box.bottom() - (box.height - span_y * scale_) / 2 + y_min * scale_;
    }
    std::int32_t last_point() const { return last_; }
    double scale() const { return scale_; }
    // The point at a route position, held to the computed points.
    std::pair<double, double> at(double metre) const {
        auto point = static_cast<std::int32_t>(std::clamp(metre, 0.0, double(last_)));
        return {left_ + plan_.x[point] * scale_, bottom_ - plan_.y[point] * scale_};
    }

  private:
    const Plan& plan_;
    std::int32_t last_;
    double scale_ = 1, left_ = 0, bottom_ = 0;
};

struct LabelBox {
    double left, top, right, bottom;
    bool overlaps(const LabelBox& other) const {
        return left < other.right && other.left < right && top < other.bottom && other.top < bottom;
    }
};

// Puts a name beside its dot where it hides no other name; leaves it out when there is
// no such place (the profile below names every station).
void place_label(Painter& p, std::vector<LabelBox>& placed, double x, double y,
                 const std::string& name) {
    constexpr double size = 10;
    double width = p.text_width(name, size);
    const std::pair<double, double> offsets[] = {
        {7, 4}, {-7 - width, 4}, {-width / 2, -7}, {-width / 2, 15}};
    for (auto [dx, dy] : offsets) {
        LabelBox candidate{x + dx, y + dy - size, x + dx + width, y + dy + 2};
        bool free = std::none_of(placed.begin(), placed.end(),
                                 [&](const LabelBox& other) { return candidate.overlaps(other); });
        if (!free) continue;
        placed.push_back(candidate);
        p.text(x + dx, y + dy, name, size);
        return;
    }
}

void draw_scale_bar(Painter& p, const PlanView& view, Box box) {
    const double kilometres[] = {0.5, 1, 2, 5, 10, 20, 50, 100, 200, 500};
    double length = kilometres[0];
    for (double km : kilometres) {
        if (km * 1000 * view.scale() <= box.width / 4) length = km;
    }
    double pixels = length * 1000 * view.scale();
    double x = box.left + 12, y = box.bottom() - 14;
    p.colour(ink);
    p.line(x, y, x + pixels, y, 2);
    p.line(x, y - 4, x, y + 4, 1);
    p.line(x + pixels, y - 4, x + pixels, y + 4, 1);
    p.text(x + pixels / 2, y - 6, one_decimal(length) + " km", 10, Align::centre);
}

void draw_plan_legend(Painter& p, Box box) {
    double x = box.right() - 180, y = box.top + 20;
    p.colour(station_colour);
    p.dot(x, y - 4, 4);
    p.colour(ink);
    p.text(x + 10, y, "station (ring: no stop)", 10);
    p.colour(signal_colour);
    p.dot(x, y + 12, 2);
    p.colour(ink);
    p.text(x + 10, y + 16, "signal", 10);
}

void draw_ground_plan(Painter& p, const Model& model, const Features& f, Box box) {
    p.colour(ink);
    p.text(box.left, box.top + 14, "Ground plan", 13, Align::left, true);
    const Plan& plan = model.plan;
    if (!plan.exists() || !plan.origin_set || plan.computed_end <= 2) {
        p.colour(grey);
        p.text(box.left + box.width / 2, box.top + box.height / 2,
               "no ground plan (compiled without one)", 14, Align::centre);
        return;
    }
    PlanView view(plan, {box.left + 30, box.top + 30, box.width - 60, box.height - 60});
    p.colour(track_colour);
    cairo_t* cr = p.context();
    cairo_set_line_width(cr, 2);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    for (std::int32_t point = 0; point <= view.last_point(); point += 20) {
        auto [x, y] = view.at(point);
        (point == 0 ? cairo_move_to : cairo_line_to)(cr, x, y);
    }
    auto [end_x, end_y] = view.at(view.last_point());
    cairo_line_to(cr, end_x, end_y);
    cairo_stroke(cr);

    p.colour(signal_colour);
    for (double at : f.signals) {
        auto [x, y] = view.at(at);
        p.dot(x, y, 1.5);
    }
    std::vector<LabelBox> placed;
    for (int slot : station_slots(model)) {
        const ScenarioRecord& station = model.records[slot];
        auto [x, y] = view.at(station.position);
        p.colour(station_colour);
        if (station.kind < 25) p.dot(x, y, 4);
        if (station.kind >= 25) p.ring(x, y, 3.5, 1.5);
        p.colour(ink);
        place_label(p, placed, x, y, single_byte_to_utf8(station.text));
    }
    draw_scale_bar(p, view, box);
    draw_plan_legend(p, box);
}

// ---- Line profile --------------------------------------------------------------------

// Route positions across the width of the profile lanes.
struct RouteAxis {
    double left;
    double width;
    double metres;
    double x(double metre) const { return left + width * metre / metres; }
};

void lane_title(Painter& p, Box lane, const std::string& title, const std::string& unit = "") {
    p.colour(ink);
    p.text(lane.left - 44, lane.top + 14, title, 12, Align::right, true);
    if (!unit.empty()) {
        p.colour(grey);
        p.text(lane.left - 44, lane.top + 28, unit, 10, Align::right);
    }
}

void value_grid_line(Painter& p, Box lane, double y, const std::string& label) {
    p.colour(faint);
    p.line(lane.left, y, lane.right(), y, 1);
    p.colour(grey);
    p.text(lane.left - 6, y + 4, label, 9, Align::right);
}

// Draws one value per cell as a step line, with a new corner only where the value changes.
template <typename ValueOf>
void step_line(Painter& p, const std::vector<TrackCell>& cells, const RouteAxis& axis,
               ValueOf y_of) {
    cairo_t* cr = p.context();
    cairo_set_line_width(cr, 1.5);
    double last_y = y_of(cells.front());
    cairo_move_to(cr, axis.x(0), last_y);
    for (std::size_t i = 1; i < cells.size(); ++i) {
        double y = y_of(cells[i]);
        if (y == last_y) continue;
        cairo_line_to(cr, axis.x(metre_of(i)), last_y);
        cairo_line_to(cr, axis.x(metre_of(i)), y);
        last_y = y;
    }
    cairo_line_to(cr, axis.x(metre_of(cells.size())), last_y);
    cairo_stroke(cr);
}

void draw_speed_lane(Painter& p, const Model& model, const RouteAxis& axis, Box lane) {
    lane_title(p, lane, "Speed limit", "km/h");
    int highest = 0;
    for (const TrackCell& cell : model.cells) highest = std::max(highest, cell.speed_limit * 5);
    int top = std::max(50, (highest + 49) / 50 * 50);
    auto y_of = [&](double speed) { return lane.bottom() - lane.height * speed / top; };
    for (int speed = 0; speed <= top; speed += 50) {
        value_grid_line(p, lane, y_of(speed), std::to_string(speed));
    }
    p.colour(speed_colour);
    step_line(p, model.cells, axis, [&](const TrackCell& c) { return y_of(c.speed_limit * 5); });
}

// Gradient bytes hold per mille + 100; 0 marks the last cells, which get no gradient.
bool has_gradient(const TrackCell& cell) {
    return cell.gradient != 0;
}

void draw_gradient_lane(Painter& p, const Model& model, const RouteAxis& axis, Box lane) {
    lane_title(p, lane, "Gradient", "per mille");
    int steepest = 0;
    for (const TrackCell& cell : model.cells) {
        if (has_gradient(cell)) steepest = std::max(steepest, std::abs(cell.gradient - 100));
    }
    int range = std::max(5, (steepest + 4) / 5 * 5);
    double middle = lane.top + lane.height / 2;
    auto y_of = [&](int gradient) { return middle - (lane.height / 2) * gradient / range; };
    value_grid_line(p, lane, y_of(range), "+" + std::to_string(range));
    value_grid_line(p, lane, middle, "0");
    value_grid_line(p, lane, y_of(-range), "-" + std::to_string(range));
    const auto& cells = model.cells;
    for (std::size_t start = 0; start < cells.size();) {
        std::size_t end = start + 1;
        while (end < cells.size() && cells[end].gradient == cells[start].gradient) ++end;
        int gradient = cells[start].gradient - 100;
        if (has_gradient(cells[start]) && gradient != 0) {
            p.colour(gradient > 0 ? uphill_colour : downhill_colour);
            double x0 = axis.x(metre_of(start)), x1 = axis.x(metre_of(end));
            double y = y_of(gradient);
            p.box(x0, std::min(y, middle), std::max(x1 - x0, 0.5), std::abs(y - middle));
        }
        start = end;
    }
}

void draw_station_lane(Painter& p, const Model& model, const Features& f, const RouteAxis& axis,
                       Box lane) {
    lane_title(p, lane, "Stations", "stretch, stop");
    double bar_top = lane.bottom() - 12;
    for (int slot : station_slots(model)) {
        const ScenarioRecord& station = model.records[slot];
        double x0 = axis.x(std::max(0, station.zone_start));
        double x1 = axis.x(station.zone_end);
        p.colour(station_colour, 0.55);
        p.box(x0, bar_top, std::max(x1 - x0, 1.5), 8);
        p.colour(ink);
        p.text(axis.x(station.position) + 3, bar_top - 4, single_byte_to_utf8(station.text), 9,
               Align::left, false, -M_PI / 2);
    }
    p.colour(station_colour);
    for (double at : f.stop_cells) {
        double x = axis.x(at + cell_length / 2.0);
        p.shape({{x, bar_top + 8}, {x - 3, bar_top + 13}, {x + 3, bar_top + 13}});
    }
}

void draw_feature_rows(Painter& p, const Features& f, const RouteAxis& axis, Box lane) {
    double row = lane.height / 3;
    auto row_title = [&](int index, const std::string& title) {
        p.colour(ink);
        p.text(lane.left - 44, lane.top + row * index + row / 2 + 4, title, 12, Align::right, true);
    };
    row_title(0, "Signals");
    p.colour(signal_colour);
    for (double at : f.signals) p.line(axis.x(at), lane.top + 6, axis.x(at), lane.top + row - 4, 1);

    row_title(1, "Slowdowns");
    double middle = lane.top + row * 1.5;
    for (const Slowdown& s : f.slowdowns) {
        double x0 = axis.x(s.start), x1 = axis.x(s.end);
        p.colour(slowdown_colour);
        p.box(x0, middle - 6, std::max(x1 - x0, 3.0), 12);
        p.colour(ink);
        p.text(x0 + std::max(x1 - x0, 3.0) + 3, middle + 4, std::to_string(s.speed), 9);
    }
    p.colour(slowdown_colour);
    for (double at : f.advance_points) {
        double x = axis.x(at);
        p.shape({{x - 4, middle - 6}, {x + 4, middle - 6}, {x, middle + 4}});
    }
    for (double at : f.warning_boards) p.line(axis.x(at), middle - 9, axis.x(at), middle + 9, 1);

    row_title(2, "Code changes");
    double code_middle = lane.top + row * 2.5;
    p.colour(code_colour);
    for (double at : f.code_changes) {
        double x = axis.x(at);
        p.shape({{x, code_middle - 6},
                 {x + 4, code_middle},
                 {x, code_middle + 6},
                 {x - 4, code_middle}});
    }
}

// Whole kilometres between labelled ticks, so that about twenty labels fit.
double kilometre_step(double metres) {
    const double steps[] = {1, 2, 5, 10, 20, 50, 100, 200};
    for (double step : steps) {
        if (metres / (step * 1000) <= 25) return step;
    }
    return 500;
}

void draw_kilometre_axis(Painter& p, const Model& model, const RouteAxis& axis, Box lanes,
                         double axis_y) {
    double step = kilometre_step(axis.metres);
    for (double km = 0; km * 1000 <= axis.metres; km += step) {
        double x = axis.x(km * 1000);
        p.colour(faint);
        p.line(x, lanes.top, x, axis_y, 0.8);
        p.colour(ink);
        p.line(x, axis_y, x, axis_y + 6, 1);
        p.text(x, axis_y + 19, std::to_string(static_cast<int>(km)), 10, Align::centre);
    }
    for (double km = step / 5; km * 1000 <= axis.metres; km += step / 5) {
        p.line(axis.x(km * 1000), axis_y, axis.x(km * 1000), axis_y + 3, 0.8);
    }
    p.line(axis.left, axis_y, axis.left + axis.width, axis_y, 1);
    p.text(axis.left - 44, axis_y + 19, "km", 12, Align::right, true);
    double end = route_length(model);
    if (end < axis.metres) {
        p.colour(grey);
        p.dashed_line(axis.x(end), lanes.top, axis.x(end), axis_y, 1);
        p.text(axis.x(end) - 4, lanes.top + 12, "end of route", 9, Align::right);
    }
}

void draw_profile(Painter& p, const Model& model, const Features& f, double top) {
    double width = page_width - left_margin - right_margin;
    RouteAxis axis{left_margin, width, metre_of(model.cells.size())};
    Box speed{left_margin, top, width, 110};
    Box gradient{left_margin, speed.bottom() + 14, width, 90};
    Box stations{left_margin, gradient.bottom() + 14, width, 160};
    Box rows{left_margin, stations.bottom() + 8, width, 96};
    double axis_y = rows.bottom() + 4;
    draw_kilometre_axis(p, model, axis, {left_margin, top, width, axis_y - top}, axis_y);
    draw_speed_lane(p, model, axis, speed);
    draw_gradient_lane(p, model, axis, gradient);
    draw_station_lane(p, model, f, axis, stations);
    draw_feature_rows(p, f, axis, rows);
}

void draw_picture(cairo_t* cr, const Model& model) {
    Painter p(cr);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    Features f = gather_features(model.cells);
    draw_title(p, model, f);
    Box plan_box{left_margin, 50, page_width - left_margin - right_margin, 480};
    draw_ground_plan(p, model, f, plan_box);
    draw_profile(p, model, f, plan_box.bottom() + 24);
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

SurfaceHandle make_surface(PictureFormat format, std::string& bytes) {
    cairo_surface_t* surface = nullptr;
    switch (format) {
        case PictureFormat::png:
            surface =
                cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(page_width), int(page_height));
            break;
        case PictureFormat::svg:
            surface =
                cairo_svg_surface_create_for_stream(append_bytes, &bytes, page_width, page_height);
            break;
        case PictureFormat::pdf:
            surface =
                cairo_pdf_surface_create_for_stream(append_bytes, &bytes, page_width, page_height);
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

std::string scenario_picture(const Model& model, PictureFormat format) {
    if (model.cells.empty()) throw UsageProblem("the scenario has no cells to draw");
    std::string bytes;
    SurfaceHandle surface = make_surface(format, bytes);
    check(cairo_surface_status(surface.get()));
    {
        ContextHandle cr(cairo_create(surface.get()), cairo_destroy);
        draw_picture(cr.get(), model);
        check(cairo_status(cr.get()));
    }
    if (format == PictureFormat::png) {
        check(cairo_surface_write_to_png_stream(surface.get(), append_bytes, &bytes));
    }
    cairo_surface_finish(surface.get());
    check(cairo_surface_status(surface.get()));
    return bytes;
}

int run_plot(const PlotRequest& request, std::ostream& out, std::ostream& err) {
    return report_problems(err, [&] {
        std::optional<PictureFormat> format = picture_format_for(request.output);
        if (!format) {
            throw UsageProblem(request.output.string() +
                               ": the picture's name must end in .png, .svg or .pdf");
        }
        CompiledScenario scenario = load_compiled_scenario(request.inputs);
        write_file_replacing(request.output, scenario_picture(scenario.model, *format));
        out << "wrote " << request.output.string() << "\n";
        return 0;
    });
}

}  // namespace scenario::scenc
