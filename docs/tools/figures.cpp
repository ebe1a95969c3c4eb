#include "figures.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "blocks/common/block_params.h"
#include "host/array.h"
#include "host/simulation.h"
#include "kinematics/kinmodel.h"
#include "param_file.h"

namespace docs {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDeg = kPi / 180.0;

using Vec = std::array<double, 3>;

Vec add(const Vec& a, const Vec& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
Vec sub(const Vec& a, const Vec& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec scale(const Vec& a, double s) { return {a[0] * s, a[1] * s, a[2] * s}; }
Vec mid(const Vec& a, const Vec& b) { return scale(add(a, b), 0.5); }

// Fixed formatting of every number in the SVG text.
std::string num(double v) {
    if (std::fabs(v) < 0.005) v = 0.0;  // no "-0.00"
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    return buf;
}

std::string escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else if (c == '&') out += "&amp;";
        else out += c;
    }
    return out;
}

// ---- Model access: the fields the figures read ----------------------------

Vec pointOf(const double set[3][MAX_ACTUATORS], int i) { return {set[0][i], set[1][i], set[2][i]}; }

// The table position of the last evaluated pose (base frame).
Vec tablePosition(const KinModel& m) {
    Vec t{0, 0, 0};
    for (int k = 0; k < m.numDofs; ++k)
        if (m.dofCodes[k] < 3) t[static_cast<std::size_t>(m.dofCodes[k])] = m.pose[k];
    return t;
}

// rotation maps base-frame vectors into the table frame; its transpose brings
// table-frame vectors back into the base frame.
Vec tableToBaseVector(const KinModel& m, const Vec& v) {
    Vec out{};
    for (int j = 0; j < 3; ++j)
        out[static_cast<std::size_t>(j)] = m.rotation[0][j] * v[0] + m.rotation[1][j] * v[1] + m.rotation[2][j] * v[2];
    return out;
}

Vec tableToBasePoint(const KinModel& m, const Vec& p) { return add(tablePosition(m), tableToBaseVector(m, p)); }

// ---- A small SVG canvas ----------------------------------------------------

// Arrow heads, one per colour (renderers differ on inheriting the stroke).
struct Marker {
    const char* id;
    const char* colour;
};
constexpr std::array<Marker, 5> kMarkers{{{"arrow-red", "#c8102e"},
                                          {"arrow-green", "#2c7a2c"},
                                          {"arrow-blue", "#1f4e9e"},
                                          {"arrow-grey", "#999"},
                                          {"arrow-brown", "#8c5a2b"}}};

// The look of each kind of element, as presentation attributes (which every
// SVG renderer honours, unlike style sheets).
std::string styleOf(const std::string& cls) {
    static const std::array<std::pair<const char*, const char*>, 22> styles{{
        {"title", "font-family=\"sans-serif\" font-size=\"16\" font-weight=\"bold\" fill=\"#222\""},
        {"caption", "font-family=\"sans-serif\" font-size=\"12\" fill=\"#333\""},
        {"label", "font-family=\"sans-serif\" font-size=\"13\" fill=\"#222\""},
        {"small", "font-family=\"sans-serif\" font-size=\"11\" fill=\"#555\""},
        {"zero", "fill=\"none\" stroke=\"#aaa\" stroke-width=\"1.5\" stroke-dasharray=\"6 4\""},
        {"zerofill", "fill=\"#f4f4f4\" stroke=\"#aaa\" stroke-width=\"1.5\" stroke-dasharray=\"6 4\""},
        {"ground", "fill=\"none\" stroke=\"#777\" stroke-width=\"1.5\" stroke-dasharray=\"2 3\""},
        {"table", "stroke=\"#1f4e9e\" stroke-width=\"5\" stroke-linecap=\"round\""},
        {"tablefill", "fill=\"#dbe6f7\" fill-opacity=\"0.6\" stroke=\"#1f4e9e\" stroke-width=\"2\""},
        {"actuator", "stroke=\"#e07b00\" stroke-width=\"4\" stroke-linecap=\"round\""},
        {"rod", "stroke=\"#2c7a2c\" stroke-width=\"2.5\" stroke-linecap=\"round\""},
        {"crank", "stroke=\"#6a3d9a\" stroke-width=\"4\" stroke-linecap=\"round\""},
        {"rail", "stroke=\"#555\" stroke-width=\"1.2\" stroke-dasharray=\"10 3 2 3\""},
        {"plane", "stroke=\"#8c5a2b\" stroke-width=\"3\""},
        {"vector", "stroke=\"#8c5a2b\" stroke-width=\"1.5\" marker-end=\"url(#arrow-brown)\""},
        {"force", "stroke=\"#c8102e\" stroke-width=\"2\" marker-end=\"url(#arrow-red)\""},
        {"axisx", "stroke=\"#c8102e\" stroke-width=\"2\" marker-end=\"url(#arrow-red)\""},
        {"axisy", "stroke=\"#2c7a2c\" stroke-width=\"2\" marker-end=\"url(#arrow-green)\""},
        {"axisz", "stroke=\"#1f4e9e\" stroke-width=\"2\" marker-end=\"url(#arrow-blue)\""},
        {"dialogaxis", "stroke=\"#999\" stroke-width=\"1.5\" marker-end=\"url(#arrow-grey)\""},
        {"pivot", "fill=\"#fff\" stroke=\"#222\" stroke-width=\"1.5\""},
        {"zeropivot", "fill=\"#fff\" stroke=\"#aaa\" stroke-width=\"1.2\""},
    }};
    for (const auto& [name, attributes] : styles)
        if (cls == name) return attributes;
    return "";
}

// Primitives are kept in drawing-plane coordinates (model units, projected)
// and fitted onto the page only when the text is written, so every figure
// scales itself to its geometry.
class Canvas {
public:
    using Projection = std::pair<double, double> (*)(const Vec&);

    Canvas(std::string title, Projection project) : title_(std::move(title)), project_(project) {}

    void line(const Vec& a, const Vec& b, const std::string& cls) { items_.push_back({Kind::Line, {at(a), at(b)}, cls, {}, 0, 0}); }
    void arrow(const Vec& a, const Vec& b, const std::string& cls) { items_.push_back({Kind::Arrow, {at(a), at(b)}, cls, {}, 0, 0}); }
    void polygon(const std::vector<Vec>& pts, const std::string& cls) {
        Item it{Kind::Polygon, {}, cls, {}, 0, 0};
        for (const Vec& p : pts) it.pts.push_back(at(p));
        items_.push_back(std::move(it));
    }
    void dot(const Vec& p, const std::string& cls) { items_.push_back({Kind::Dot, {at(p)}, cls, {}, 0, 0}); }
    void circle(const Vec& centre, double radius, const std::string& cls) {
        // A circle in the drawing plane; the radius is in model units.
        items_.push_back({Kind::Circle, {at(centre), {radius, 0}}, cls, {}, 0, 0});
    }
    // A label at a model point, shifted by (dx, dy) pixels.
    void label(const Vec& p, const std::string& text, double dx, double dy, const std::string& cls = "label") {
        items_.push_back({Kind::Text, {at(p)}, cls, text, dx, dy});
    }
    void caption(const std::string& text) { caption_.push_back(text); }

    std::string svg() const {
        constexpr double width = 720, drawHeight = 440, margin = 70, top = 40, lineHeight = 18;
        double x0 = 1e300, x1 = -1e300, y0 = 1e300, y1 = -1e300;
        auto grow = [&](const Pt& p) {
            x0 = std::min(x0, p.x);
            x1 = std::max(x1, p.x);
            y0 = std::min(y0, p.y);
            y1 = std::max(y1, p.y);
        };
        for (const Item& it : items_) {
            if (it.kind == Kind::Circle) {
                const double r = it.pts[1].x;
                grow({it.pts[0].x - r, it.pts[0].y - r});
                grow({it.pts[0].x + r, it.pts[0].y + r});
            } else {
                for (const Pt& p : it.pts) grow(p);
            }
        }
        const double s = std::min((width - 2 * margin) / std::max(x1 - x0, 1e-9),
                                  (drawHeight - top - margin) / std::max(y1 - y0, 1e-9));
        const double offX = margin + ((width - 2 * margin) - s * (x1 - x0)) / 2;
        const double offY = top + 20 + ((drawHeight - top - margin) - s * (y1 - y0)) / 2;
        auto px = [&](const Pt& p) { return num(offX + (p.x - x0) * s); };
        auto py = [&](const Pt& p) { return num(offY + (y1 - p.y) * s); };  // page y runs down

        const double height = drawHeight + lineHeight * static_cast<double>(caption_.size()) + 10;
        std::string out;
        out += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + num(width) + "\" height=\"" + num(height) +
               "\" viewBox=\"0 0 " + num(width) + " " + num(height) + "\">\n";
        out += "<!-- Generated by docs/tools/make_figures (scripts/figures) from the kinematics core; do not edit. -->\n";
        out += "<defs>\n";
        for (const Marker& mk : kMarkers)
            out += std::string("<marker id=\"") + mk.id +
                   "\" viewBox=\"0 0 10 10\" refX=\"9\" refY=\"5\" markerWidth=\"7\" markerHeight=\"7\" "
                   "orient=\"auto\"><path d=\"M0,0 L10,5 L0,10 z\" fill=\"" +
                   mk.colour + "\"/></marker>\n";
        out += "</defs>\n";
        out += "<rect x=\"0\" y=\"0\" width=\"" + num(width) + "\" height=\"" + num(height) + "\" fill=\"#fff\"/>\n";
        out += "<text " + styleOf("title") + " x=\"20\" y=\"26\">" + escape(title_) + "</text>\n";
        for (const Item& it : items_) {
            switch (it.kind) {
            case Kind::Line:
            case Kind::Arrow:
                out += "<line " + styleOf(it.cls) + " x1=\"" + px(it.pts[0]) + "\" y1=\"" + py(it.pts[0]) + "\" x2=\"" +
                       px(it.pts[1]) + "\" y2=\"" + py(it.pts[1]) + "\"/>\n";
                break;
            case Kind::Polygon: {
                out += "<polygon " + styleOf(it.cls) + " points=\"";
                for (std::size_t k = 0; k < it.pts.size(); ++k) out += (k ? " " : "") + px(it.pts[k]) + "," + py(it.pts[k]);
                out += "\"/>\n";
                break;
            }
            case Kind::Dot:
                out += "<circle " + styleOf(it.cls) + " cx=\"" + px(it.pts[0]) + "\" cy=\"" + py(it.pts[0]) +
                       "\" r=\"4.50\"/>\n";
                break;
            case Kind::Circle:
                out += "<circle " + styleOf(it.cls) + " cx=\"" + px(it.pts[0]) + "\" cy=\"" + py(it.pts[0]) + "\" r=\"" +
                       num(it.pts[1].x * s) + "\"/>\n";
                break;
            case Kind::Text:
                out += "<text " + styleOf(it.cls) + " x=\"" + num(offX + (it.pts[0].x - x0) * s + it.dx) + "\" y=\"" +
                       num(offY + (y1 - it.pts[0].y) * s + it.dy) + "\">" + escape(it.text) + "</text>\n";
                break;
            }
        }
        double y = drawHeight;
        for (const std::string& line : caption_) {
            out += "<text " + styleOf("caption") + " x=\"20\" y=\"" + num(y) + "\">" + escape(line) + "</text>\n";
            y += lineHeight;
        }
        out += "</svg>\n";
        return out;
    }

private:
    struct Pt {
        double x, y;
    };
    enum class Kind { Line, Arrow, Polygon, Dot, Circle, Text };
    struct Item {
        Kind kind;
        std::vector<Pt> pts;
        std::string cls;
        std::string text;
        double dx, dy;
    };

    Pt at(const Vec& p) const {
        const auto [x, y] = project_(p);
        return {x, y};
    }

    std::string title_;
    Projection project_;
    std::vector<Item> items_;
    std::vector<std::string> caption_;
};

// Side view: x to the right, z up, looking along +y.
std::pair<double, double> sideView(const Vec& p) { return {p[0], p[2]}; }

// Oblique view for the frames figure: y recedes up and to the right.
std::pair<double, double> obliqueView(const Vec& p) { return {p[0] + 0.55 * p[1], p[2] + 0.30 * p[1]}; }

// ---- The five actuator types -----------------------------------------------

struct Deleter {
    void operator()(KinModel* m) const { kinDestroy(m); }
};
using ModelPtr = std::unique_ptr<KinModel, Deleter>;

// One example actuator, in dialog coordinates (millimetres). The dialog origin
// sits on the base, 400 mm under the table; the coordinate-system parameter
// moves the kinematic origin up to the table's centre.
struct TypeExample {
    const char* fileName;
    const char* title;
    int dialogType;  // 1..5, as in actuatorTypes
    Vec head, base, link0, link1, link2;
};

constexpr double kTableHeight = 400.0;
// The displaced pose every type figure shows: x, z (mm) and pitch (degrees).
constexpr std::array<double, 3> kPose{25.0, 40.0, 6.0};

ModelPtr makeTypeModel(const TypeExample& ex) {
    ModelPtr m(kinCreate());
    if (!m) throw std::runtime_error("out of memory");
    const int32_t types[1] = {ex.dialogType - 1};
    const int32_t dofs[3] = {0, 2, 4};  // x, z, pitch
    kinConfigure(m.get(), 1, types, 0, 0, 1, 3, dofs);
    // Millimetres and degrees: translations are never converted, the angle
    // factor turns degrees into radians.
    const double units[4][2] = {{1, kDeg}, {1, kDeg}, {1, kDeg}, {1, 1}};
    for (int u = 0; u < 4; ++u)
        for (int t = 0; t < 2; ++t) kinSetCanonicalUnit(m.get(), u, t, units[u][t]);
    const Vec* sets[5] = {&ex.head, &ex.base, &ex.link0, &ex.link1, &ex.link2};
    for (int set = 0; set < 5; ++set)
        for (int c = 0; c < 3; ++c) kinSetPoint(m.get(), set, c, 0, (*sets[set])[static_cast<std::size_t>(c)]);
    kinSetCoordinateSystem(m.get(), 2, kTableHeight);
    kinSetMaximum(m.get(), 0, 0, 0, 100.0);
    kinSetMinimum(m.get(), 0, 0, 0, -100.0);
    kinSetMaximum(m.get(), 0, 3, 0, 1000.0);
    kinSetMinimum(m.get(), 0, 3, 0, -1000.0);
    const double zero[3] = {0, 0, 0};
    kinPrepare(m.get(), zero);
    return m;
}

// What one evaluated pose of a one-actuator model looks like.
struct Snapshot {
    double length = 0;
    Vec head{}, base{};               // head pivot (base frame), base pivot
    Vec measuredFrom{}, measuredTo{}; // the segment whose length is the actuator length
    Vec forcePoint{}, forceDir{};     // base frame
    std::vector<std::pair<Vec, Vec>> rods, cranks, planes, rails;
    Vec crankCentre{};
    double crankRadius = 0;
    Vec planeVectorFrom{}, planeVectorTo{};
    std::pair<Vec, Vec> tablePlate;
};

Vec planeTrace(const Vec& normal, const Vec& through, double half, Vec* other) {
    // The plane's line in the x-z drawing plane, through a point of the plane.
    Vec dir{normal[2], 0, -normal[0]};
    const double len = std::hypot(dir[0], dir[2]);
    dir = scale(dir, half / len);
    *other = add(through, dir);
    return sub(through, dir);
}

Snapshot snapshot(const KinModel& m) {
    Snapshot s;
    s.length = m.actuatorLength[0];
    const Vec H = pointOf(m.headPivots, 0);
    s.head = tableToBasePoint(m, H);
    s.base = pointOf(m.basePivots, 0);
    s.forcePoint = tableToBasePoint(m, pointOf(m.forcePoint, 0));
    s.forceDir = tableToBaseVector(m, pointOf(m.forceDirection, 0));
    s.tablePlate = {tableToBasePoint(m, {-230, 0, 0}), tableToBasePoint(m, {230, 0, 0})};
    const double L = s.length;
    Vec a, b;
    switch (m.actuatorTypes[0]) {
    case 0:  // strut: the length is the pivot distance
        s.measuredFrom = s.base;
        s.measuredTo = s.head;
        break;
    case 1: {  // slider: measured along the rail from the base pivot
        const Vec axis = pointOf(m.slideAxis, 0);
        const Vec slider = add(s.base, scale(axis, L));
        s.measuredFrom = s.base;
        s.measuredTo = slider;
        s.rails.push_back({sub(s.base, scale(axis, 30)), add(s.base, scale(axis, 320))});
        s.rods.push_back({slider, s.head});
        break;
    }
    case 2: {  // fixed axis up to the table plane
        const Vec axis = pointOf(m.baseAxis, 0);
        const Vec contact = add(s.base, scale(axis, L));
        s.measuredFrom = s.base;
        s.measuredTo = contact;
        const Vec n = pointOf(m.planeNormalBase, 0);
        a = planeTrace(n, contact, 110, &b);
        s.planes.push_back({a, b});
        s.planeVectorFrom = tablePosition(m);
        s.planeVectorTo = pointOf(m.planePoint, 0);
        break;
    }
    case 3: {  // table axis out to the fixed plane
        const Vec axis = pointOf(m.tableAxisBase, 0);
        const Vec contact = add(s.head, scale(axis, L));
        s.measuredFrom = s.head;
        s.measuredTo = contact;
        const Vec n = pointOf(m.planeNormalBase, 0);
        a = planeTrace(n, contact, 140, &b);
        s.planes.push_back({a, b});
        s.planeVectorFrom = {0, 0, 0};
        s.planeVectorTo = n;
        break;
    }
    case 4: {  // linear actuator on a bell crank, rod to the head
        const Vec C{m.linkPivots[0][0][0], m.linkPivots[0][1][0], m.linkPivots[0][2][0]};
        const Vec e1{m.crankFrame[0][0][0], m.crankFrame[0][0][1], m.crankFrame[0][0][2]};
        const Vec e3{m.crankFrame[0][2][0], m.crankFrame[0][2][1], m.crankFrame[0][2][2]};
        const double theta = 2.0 * std::atan(m.crankHalfTan[0]);
        const Vec arm = pointOf(m.armDirection, 0);
        const Vec D = add(C, scale(add(scale(e1, arm[0]), scale(e3, arm[2])), m.actuatorArm[0]));
        const Vec P = add(C, scale(add(scale(e1, -std::sin(theta)), scale(e3, std::cos(theta))), m.crankArm[0]));
        s.measuredFrom = s.base;
        s.measuredTo = D;
        s.cranks.push_back({C, D});
        s.cranks.push_back({C, P});
        s.rods.push_back({P, s.head});
        s.crankCentre = C;
        s.crankRadius = m.crankArm[0];
        break;
    }
    default:
        break;
    }
    return s;
}

void drawZero(Canvas& c, const Snapshot& s) {
    c.line(s.tablePlate.first, s.tablePlate.second, "zero");
    for (const auto& r : s.rods) c.line(r.first, r.second, "zero");
    for (const auto& r : s.cranks) c.line(r.first, r.second, "zero");
    for (const auto& r : s.planes) c.line(r.first, r.second, "zero");
    c.line(s.measuredFrom, s.measuredTo, "zero");
    c.dot(s.head, "zeropivot");
}

void drawPose(Canvas& c, const Snapshot& s, int type) {
    c.line(s.tablePlate.first, s.tablePlate.second, "table");
    c.label(s.tablePlate.second, "table", 8, 4);
    for (const auto& r : s.rails) c.line(r.first, r.second, "rail");
    for (const auto& r : s.planes) c.line(r.first, r.second, "plane");
    for (const auto& r : s.cranks) c.line(r.first, r.second, "crank");
    for (const auto& r : s.rods) c.line(r.first, r.second, "rod");
    c.line(s.measuredFrom, s.measuredTo, "actuator");
    c.arrow(s.forcePoint, add(s.forcePoint, scale(s.forceDir, 90)), "force");
    c.label(add(s.forcePoint, scale(s.forceDir, 90)), "force line", 6, -4, "small");
    // The length label beside its segment: above a flat one, right of a steep one.
    const Vec m = mid(s.measuredFrom, s.measuredTo);
    const Vec dir = sub(s.measuredTo, s.measuredFrom);
    if (std::fabs(dir[0]) > std::fabs(dir[2])) c.label(m, "L = " + num(s.length), -30, -12);
    else c.label(m, "L = " + num(s.length), 10, 4);
    c.dot(s.head, "pivot");
    c.label(s.head, "H", -16, -8);
    switch (type) {
    case 0:
        c.dot(s.base, "pivot");
        c.label(s.base, "B", 8, 16);
        break;
    case 1:
        c.dot(s.base, "pivot");
        c.label(s.base, "B", 8, 16);
        c.dot(s.measuredTo, "pivot");
        c.label(s.measuredTo, "slider", 10, 4, "small");
        c.label(mid(s.rods[0].first, s.rods[0].second), "rod", -28, 0, "small");
        break;
    case 2:
        c.dot(s.base, "pivot");
        c.label(s.base, "B", 8, 16);
        c.dot(s.measuredTo, "pivot");
        c.label(s.planes[0].first, "table plane", -10, 18, "small");
        c.arrow(s.planeVectorFrom, s.planeVectorTo, "vector");
        c.label(mid(s.planeVectorFrom, s.planeVectorTo), "A (plane vector, table frame)", -190, 4, "small");
        break;
    case 3:
        c.dot(s.measuredTo, "pivot");
        c.dot(s.base, "zeropivot");
        c.label(s.base, "B", 8, 18);
        c.label(s.planes[0].first, "fixed plane", 8, 4, "small");
        c.arrow(s.planeVectorFrom, s.planeVectorTo, "vector");
        c.label(mid(s.planeVectorFrom, s.planeVectorTo), "A (plane vector, base frame)", -90, 18, "small");
        break;
    case 4:
        c.dot(s.base, "pivot");
        c.label(s.base, "B", 8, 16);
        c.circle(s.crankCentre, s.crankRadius, "ground");
        c.dot(s.crankCentre, "pivot");
        c.label(s.crankCentre, "A (crank centre)", 8, 18, "small");
        c.dot(s.cranks[0].second, "pivot");
        c.label(s.cranks[0].second, "actuator arm", 6, -8, "small");
        c.dot(s.cranks[1].second, "pivot");
        c.label(s.cranks[1].second, "rod arm", 8, 0, "small");
        break;
    default:
        break;
    }
}

// Short form for dialog values in captions: 150, not 150.00.
std::string brief(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

std::string vecText(const Vec& v) { return "(" + brief(v[0]) + ", " + brief(v[1]) + ", " + brief(v[2]) + ")"; }

Figure typeFigure(const TypeExample& ex, const std::vector<std::string>& notes) {
    ModelPtr model = makeTypeModel(ex);
    KinModel& m = *model;
    const Snapshot zero = snapshot(m);
    double lengths[1] = {0};
    const double pose[3] = {kPose[0], kPose[1], kPose[2]};
    kinActuatorGeometry(&m, pose, lengths);
    const Snapshot moved = snapshot(m);

    Canvas c(ex.title, sideView);
    // The ground under the base pivots (type 4 has none: its base is a plane).
    if (m.actuatorTypes[0] != 3) c.line({-260, 0, -kTableHeight}, {560, 0, -kTableHeight}, "ground");
    drawZero(c, zero);
    drawPose(c, moved, m.actuatorTypes[0]);
    c.caption("Side view (x to the right, z up) in the kinematic frame, millimetres and degrees.");
    c.caption("Dashed: zero pose, L = " + num(zero.length) + ". Solid: pose x = " + brief(kPose[0]) + ", z = " +
              brief(kPose[1]) + ", pitch = " + brief(kPose[2]) + ", L = " + num(moved.length) + ".");
    c.caption("Dialog values: actuatorTypes " + std::to_string(ex.dialogType) + ", head pivot " + vecText(ex.head) +
              ", base pivot " + vecText(ex.base) + ", coordinateSystem (0, 0, " + brief(kTableHeight) +
              ", 0, 0, 0).");
    for (const std::string& note : notes) c.caption(note);
    return {ex.fileName, c.svg()};
}

// ---- The frames ------------------------------------------------------------

ModelPtr loadHexapod(const std::string& path) {
    std::vector<host::Array> arrays;
    for (sfhost::ParamValue& v : sfhost::readParameterFile(path, "Posjack"))
        arrays.emplace_back(std::move(v.dims), std::move(v.data));
    host::SimulationStructure sim;
    sim.bindParameters(arrays);
    SimStruct* S = sim.get();
    S->numSFcnParams = blockParamCount(BlockKind::Posjack);
    if (const char* message = blockParameterError(S, BlockKind::Posjack))
        throw std::runtime_error(path + ": " + message);
    ModelPtr m(kinCreate());
    if (!m) throw std::runtime_error("out of memory");
    loadBlockParameters(S, BlockKind::Posjack, m.get());
    return m;
}

Figure framesFigure(const std::string& hexapodParams) {
    ModelPtr model = loadHexapod(hexapodParams);
    KinModel& m = *model;
    const int n = m.numActuators;
    Canvas c("Base frame, table frame and the coordinate-system offset (example hexapod)", obliqueView);

    const Vec offset{m.coordinateSystem[0], m.coordinateSystem[1], m.coordinateSystem[2]};
    const Vec dialogOrigin = scale(offset, -1.0);  // no rotation in the example
    const double axis = 220;

    std::vector<Vec> basePoly, zeroHead;
    for (int i = 0; i < n; ++i) {
        basePoly.push_back(pointOf(m.basePivots, i));
        zeroHead.push_back(pointOf(m.headPivots, i));
    }
    c.polygon(basePoly, "zerofill");
    c.polygon(zeroHead, "zerofill");

    // The dialog frame, where the parameter file's points are given.
    c.arrow(dialogOrigin, add(dialogOrigin, {axis, 0, 0}), "dialogaxis");
    c.arrow(dialogOrigin, add(dialogOrigin, {0, axis, 0}), "dialogaxis");
    c.arrow(dialogOrigin, add(dialogOrigin, {0, 0, axis}), "dialogaxis");
    c.label(dialogOrigin, "dialog origin", 8, 16, "small");
    c.arrow(dialogOrigin, {0, 0, 0}, "vector");
    c.label(mid(dialogOrigin, {0, 0, 0}), "offset: coordinateSystem(1:3)", 8, 0, "small");

    const double pose[6] = {120, 0, 110, 0, 12, 25};
    double lengths[MAX_ACTUATORS] = {};
    kinActuatorGeometry(&m, pose, lengths);
    const Vec t = tablePosition(m);
    std::vector<Vec> head;
    for (int i = 0; i < n; ++i) head.push_back(tableToBasePoint(m, pointOf(m.headPivots, i)));
    c.polygon(head, "tablefill");
    for (int i = 0; i < n; ++i) {
        c.line(basePoly[static_cast<std::size_t>(i)], head[static_cast<std::size_t>(i)], "actuator");
        c.dot(head[static_cast<std::size_t>(i)], "pivot");
        c.dot(basePoly[static_cast<std::size_t>(i)], "pivot");
    }
    // The base frame: fixed, at the kinematic origin.
    c.arrow({0, 0, 0}, {axis, 0, 0}, "axisx");
    c.arrow({0, 0, 0}, {0, axis, 0}, "axisy");
    c.arrow({0, 0, 0}, {0, 0, axis}, "axisz");
    c.label({axis, 0, 0}, "x base", 4, 14, "small");
    c.label({0, axis, 0}, "y base", 4, 14, "small");
    c.label({0, 0, axis}, "z base", -20, -8, "small");

    // The table frame: its axes are the rows of rotation (the columns of its
    // transpose), seen from the base.
    c.arrow(t, add(t, tableToBaseVector(m, {axis, 0, 0})), "axisx");
    c.arrow(t, add(t, tableToBaseVector(m, {0, axis, 0})), "axisy");
    c.arrow(t, add(t, tableToBaseVector(m, {0, 0, axis})), "axisz");
    c.label(add(t, tableToBaseVector(m, {axis, 0, 0})), "x table", 4, 14, "small");
    c.label(add(t, tableToBaseVector(m, {0, axis, 0})), "y table", 4, -6, "small");
    c.label(add(t, tableToBaseVector(m, {0, 0, axis})), "z table", 6, -4, "small");
    c.label(head[0], "head pivots (table frame)", 10, 16, "small");
    c.label(basePoly[0], "base pivots (base frame)", 10, 16, "small");

    c.caption("Example hexapod (examples/hexapod/posjack.json), millimetres and degrees, oblique view.");
    c.caption("Dashed: the head at the zero pose, where the base frame and the table frame coincide, " +
              brief(offset[2]) + " mm above the dialog origin.");
    c.caption("Solid: pose x = " + brief(pose[0]) + ", y = " + brief(pose[1]) + ", z = " + brief(pose[2]) +
              ", roll = " + brief(pose[3]) + ", pitch = " + brief(pose[4]) + ", yaw = " + brief(pose[5]) +
              "; actuator 1 length " + num(lengths[0]) + ".");
    c.caption("A head pivot h (table frame) sits at t + rotation^T h in the base frame; rotation maps base into table.");
    return {"frames.svg", c.svg()};
}

}  // namespace

std::vector<Figure> makeFigures(const std::string& hexapodParams) {
    std::vector<Figure> figures;
    figures.push_back(framesFigure(hexapodParams));

    figures.push_back(typeFigure({"type1-strut.svg", "Type 1: strut between base pivot and head pivot", 1,
                                  {150, 0, 400}, {260, 0, 0}, {}, {}, {}},
                                 {"L is the distance from the base pivot B to the head pivot H."}));
    figures.push_back(typeFigure(
        {"type2-slider.svg", "Type 2: slider on a fixed axis with a rod to the head pivot", 2,
         {150, 0, 400}, {330, 0, 0}, {330, 0, 150}, {}, {}},
        {"linkPivotLocations (330, 0, 150): the slider at the zero pose; the rail runs from B through it.",
         "L is the slider's distance from B along the rail; the rod keeps its zero-pose length |H - A|."}));
    figures.push_back(typeFigure(
        {"type3-table-plane.svg", "Type 3: actuator on a fixed axis pushing on a plane of the table", 3,
         {120, 0, 340}, {180, 0, 0}, {0, 0, -60}, {}, {}},
        {"linkPivotLocations (0, 0, -60): the plane vector in the table frame (rotated, never shifted by the offset).",
         "The axis runs from B through H, the contact at the zero pose; L runs from B to the contact point."}));
    figures.push_back(typeFigure(
        {"type4-fixed-plane.svg", "Type 4: actuator on a table axis pushing on a fixed plane", 4,
         {200, 0, 390}, {400, 0, 340}, {400, 0, 0}, {}, {}},
        {"linkPivotLocations (400, 0, 0): the plane vector in the base frame (rotated, never shifted by the offset).",
         "The axis runs from H through B, the contact at the zero pose, and turns with the table."}));
    figures.push_back(typeFigure(
        {"type5-bell-crank.svg", "Type 5: linear actuator driving a bell crank with a rod", 5,
         {150, 0, 400}, {390, 0, 20}, {300, 0, 200}, {390, 0, 200}, {300, 0, 290}},
        {"linkPivotLocations(:,:,1) crank centre (300, 0, 200), (:,:,2) actuator arm end (390, 0, 200),",
         "(:,:,3) rod arm end (300, 0, 290). L runs from B to the actuator arm end; the rod keeps its zero-pose length."}));
    return figures;
}

}  // namespace docs
