#include "Svg.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "JointNames.h"
#include "Terminal.h"

namespace TSCoreCli
{
    using TSCore::Kinematics::Vect3D;

    namespace
    {
        constexpr double width = 960.0;
        constexpr double height = 600.0;
        constexpr double panelSize = 420.0;
        constexpr double panelTop = 100.0;
        constexpr double panelLeft[2] = {40.0, 500.0};
        constexpr double panelMargin = 30.0;
        // The common scale: this many millimetres across a panel's drawing room, which holds an
        // open hand and a fist of the default model in either view.
        constexpr double commonExtent = 200.0;
        constexpr double scaleBarMillimetres = 50.0;
        // How far the side view is raised: a finger 10 mm further away is drawn 4 mm higher.
        constexpr double obliqueRise = 0.4;

        const char* const fingerColours[] = {"#d62728", "#ff7f0e", "#2ca02c", "#1f77b4", "#9467bd"};

        std::string Colour(std::size_t finger) { return finger < 5 ? fingerColours[finger] : "#7f7f7f"; }

        std::string Escape(const std::string& text)
        {
            std::string out;
            for (const char c : text)
            {
                if (c == '&')
                    out += "&amp;";
                else if (c == '<')
                    out += "&lt;";
                else if (c == '>')
                    out += "&gt;";
                else if (c == '"')
                    out += "&quot;";
                // Control bytes are not allowed in XML text, and a byte above 0x7f may not be
                // UTF-8: a name from another process must not spoil the document.
                else
                    out += static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7f ? c : '?';
            }
            return out;
        }

        std::string N(double v) { return Fixed(v, 1); }

        std::string Text(double x, double y, int size, const char* colour, const std::string& text,
                         const char* extra = "")
        {
            return "  <text x=\"" + N(x) + "\" y=\"" + N(y) + "\" font-size=\"" + std::to_string(size) + "\" fill=\"" +
                   colour + "\"" + extra + ">" + text + "</text>\n";
        }

        std::string Line(double x1, double y1, double x2, double y2, const std::string& attributes)
        {
            return "<line x1=\"" + N(x1) + "\" y1=\"" + N(y1) + "\" x2=\"" + N(x2) + "\" y2=\"" + N(y2) + "\" " +
                   attributes + "/>";
        }

        /// One view: which two hand axes become the picture's right and up directions.
        struct View
        {
            const char* title;
            double (*right)(const Vect3D&);
            double (*up)(const Vect3D&);
            double (*depth)(const Vect3D&); ///< larger is nearer to the viewer
            const char* rightLabel;
            const char* upLabel;
        };

        // From above, looking down onto the back of the hand: fingers point up, +y (the thumb
        // side of a right hand) to the left; +z points at the viewer. From the side, looking
        // along +y from a little above: fingers point right, the back of the hand up, and what
        // lies further along +y is drawn a little higher.
        const View views[2] = {
            {"View from above (x-y)", [](const Vect3D& v) { return -static_cast<double>(v.y); },
             [](const Vect3D& v) { return static_cast<double>(v.x); },
             [](const Vect3D& v) { return static_cast<double>(v.z); }, "-y", "+x"},
            {"View from the side (x-z, raised)", [](const Vect3D& v) { return static_cast<double>(v.x); },
             [](const Vect3D& v) { return static_cast<double>(v.z) + obliqueRise * static_cast<double>(v.y); },
             [](const Vect3D& v) { return -static_cast<double>(v.y); }, "+x", "+z"},
        };

        struct Box
        {
            double minX = 0.0, maxX = 0.0, minY = 0.0, maxY = 0.0;
            void Add(double x, double y)
            {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                minY = std::min(minY, y);
                maxY = std::max(maxY, y);
            }
            double Extent() const { return std::max(maxX - minX, maxY - minY); }
        };

        /// Where a view's millimetres land in its panel.
        struct Placement
        {
            const View* view;
            double left;
            double scale;
            double midX, midY; ///< the point drawn at the panel's centre

            double X(const Vect3D& v) const { return left + panelSize / 2.0 + (view->right(v) - midX) * scale; }
            double Y(const Vect3D& v) const { return panelTop + panelSize / 2.0 - (view->up(v) - midY) * scale; }
        };

        std::string PanelFrame(const Placement& at)
        {
            std::string out = "  <rect x=\"" + N(at.left) + "\" y=\"" + N(panelTop) + "\" width=\"" + N(panelSize) +
                              "\" height=\"" + N(panelSize) + "\" fill=\"#fafafa\" stroke=\"#cccccc\"/>\n";
            out += Text(at.left + 10, panelTop - 10, 16, "#333333", at.view->title);
            // Axis gizmo in the lower left corner, scale bar in the lower right.
            const double gx = at.left + 20.0;
            const double gy = panelTop + panelSize - 20.0;
            out += "  <g stroke=\"#888888\" stroke-width=\"1.5\">" + Line(gx, gy, gx + 30, gy, "") +
                   Line(gx, gy, gx, gy - 30, "") + "</g>\n";
            out += Text(gx + 34, gy + 4, 11, "#888888", at.view->rightLabel);
            out += Text(gx - 6, gy - 34, 11, "#888888", at.view->upLabel);
            const double bar = scaleBarMillimetres * at.scale;
            const double bx = at.left + panelSize - 20.0 - bar;
            out += "  <g stroke=\"#444444\" stroke-width=\"2\">" + Line(bx, gy, bx + bar, gy, "") +
                   Line(bx, gy - 4, bx, gy + 4, "") + Line(bx + bar, gy - 4, bx + bar, gy + 4, "") + "</g>\n";
            out += Text(bx + bar / 2, gy - 8, 11, "#444444", "50 mm", " text-anchor=\"middle\"");
            return out;
        }

        /// The palm: the wrist, the thumb's second joint and the first joint of every finger.
        std::string Palm(const TSCore::HandPose& pose, const Placement& at)
        {
            std::string points = N(at.X(Vect3D::zero)) + "," + N(at.Y(Vect3D::zero));
            for (std::size_t f = 0; f < pose.jointPositions.size() && f < 5; ++f)
            {
                const std::size_t joint = f == 0 ? 1 : 0;
                if (joint < pose.jointPositions[f].size())
                    points +=
                        " " + N(at.X(pose.jointPositions[f][joint])) + "," + N(at.Y(pose.jointPositions[f][joint]));
            }
            return "  <polygon points=\"" + points +
                   "\" fill=\"#ececec\" stroke=\"#c8c8c8\" stroke-width=\"1\" stroke-linejoin=\"round\"/>\n";
        }

        std::string Digit(const std::vector<Vect3D>& points, std::size_t f, const Placement& at)
        {
            const std::string colour = Colour(f);
            std::string out = "  <g stroke=\"" + colour + "\" fill=\"" + colour + "\">\n    " +
                              Line(at.X(Vect3D::zero), at.Y(Vect3D::zero), at.X(points[0]), at.Y(points[0]),
                                   "stroke-width=\"2\" stroke-opacity=\"0.35\"") +
                              "\n";
            std::string line;
            for (const auto& p : points)
                line += (line.empty() ? "" : " ") + N(at.X(p)) + "," + N(at.Y(p));
            out += "    <polyline points=\"" + line +
                   "\" fill=\"none\" stroke-width=\"5\" stroke-linecap=\"round\" stroke-linejoin=\"round\"/>\n";
            for (std::size_t j = 0; j < points.size(); ++j)
                out += "    <circle cx=\"" + N(at.X(points[j])) + "\" cy=\"" + N(at.Y(points[j])) + "\" r=\"" +
                       (j + 1 == points.size() ? "4" : "5.5") + "\" stroke=\"#ffffff\" stroke-width=\"1.5\"/>\n";
            return out + "  </g>\n";
        }

        std::string Panel(const TSCore::HandPose& pose, const Placement& at)
        {
            std::string out = PanelFrame(at) + Palm(pose, at);
            // Farther digits first, so that nearer ones are drawn over them.
            std::vector<std::pair<double, std::size_t>> order;
            for (std::size_t f = 0; f < pose.jointPositions.size(); ++f)
            {
                double depth = 0.0;
                for (const auto& p : pose.jointPositions[f])
                    depth += at.view->depth(p);
                order.emplace_back(
                    pose.jointPositions[f].empty() ? 0.0 : depth / static_cast<double>(pose.jointPositions[f].size()),
                    f);
            }
            std::stable_sort(order.begin(), order.end());
            for (const auto& entry : order)
                if (!pose.jointPositions[entry.second].empty())
                    out += Digit(pose.jointPositions[entry.second], entry.second, at);
            return out + "  <circle cx=\"" + N(at.X(Vect3D::zero)) + "\" cy=\"" + N(at.Y(Vect3D::zero)) +
                   "\" r=\"6\" fill=\"#555555\" stroke=\"#ffffff\" stroke-width=\"1.5\"/>\n";
        }

        std::string Legend()
        {
            std::string out;
            double x = 40.0;
            const double y = panelTop + panelSize + 35.0;
            for (std::size_t f = 0; f < 5; ++f, x += 100.0)
                out += "  <rect x=\"" + N(x) + "\" y=\"" + N(y - 11) + "\" width=\"14\" height=\"14\" fill=\"" +
                       Colour(f) + "\"/>\n" + Text(x + 20, y + 1, 14, "#333333", FingerName(f));
            return out + Text(x + 20, y + 1, 12, "#888888", "dark dot: the wrist; joint positions in millimetres");
        }
    }

    std::string RenderPoseSvg(const TSCore::HandPose& pose, const SvgOptions& options)
    {
        // Each view is centred on its own extent (the wrist included); both share one scale.
        Box boxes[2];
        for (int v = 0; v < 2; ++v)
            for (const auto& finger : pose.jointPositions)
                for (const auto& p : finger)
                    boxes[v].Add(views[v].right(p), views[v].up(p));
        const double room = panelSize - 2.0 * panelMargin;
        const double extent = std::max({1e-3, boxes[0].Extent(), boxes[1].Extent()});
        const bool fitted = options.fit || extent > commonExtent;
        const double scale = room / (fitted ? extent : commonExtent);

        std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
        out += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + N(width) + "\" height=\"" + N(height) +
               "\" viewBox=\"0 0 " + N(width) + " " + N(height) + "\" font-family=\"sans-serif\">\n";
        out += "  <rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";
        out += Text(40, 40, 24, "#222222", pose.isRight ? "Right hand" : "Left hand", " font-weight=\"bold\"");
        out += Text(200, 40, 14, "#666666", Escape(options.caption));
        out += Text(40, 66, 13, "#666666",
                    (options.orientation ? "Orientation (quaternion): " + QuaternionText(*options.orientation)
                                         : std::string("Orientation: none read")) +
                        "; drawn in the hand's own frame" +
                        (fitted && !options.fit ? "; scaled to fit (larger than the common scale)" : ""));
        for (int v = 0; v < 2; ++v)
            out += Panel(pose, {&views[v], panelLeft[v], scale, (boxes[v].minX + boxes[v].maxX) / 2.0,
                                (boxes[v].minY + boxes[v].maxY) / 2.0});
        if (pose.jointPositions.empty())
            out += Text(width / 2, panelTop + panelSize / 2, 18, "#aa0000", "no joint positions",
                        " text-anchor=\"middle\"");
        return out + Legend() + "</svg>\n";
    }
}
