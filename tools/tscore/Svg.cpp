#include "Svg.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <TSCore/Util/StrStuff.h>

#include "Terminal.h"

namespace TSCoreCli
{
    using TSCore::Kinematics::Vect3D;

    namespace
    {
        constexpr double width = 960.0;
        constexpr double height = 560.0;
        constexpr double panelSize = 420.0;
        constexpr double panelTop = 80.0;
        constexpr double panelLeft[2] = {40.0, 500.0};
        constexpr double panelMargin = 30.0;

        const char* const fingerColours[] = {"#d62728", "#ff7f0e", "#2ca02c", "#1f77b4", "#9467bd"};

        std::string Colour(std::size_t finger)
        {
            return finger < 5 ? fingerColours[finger] : "#7f7f7f";
        }

        std::string Escape(const std::string& text)
        {
            std::string out;
            for (const char c : text)
            {
                switch (c)
                {
                case '&':
                    out += "&amp;";
                    break;
                case '<':
                    out += "&lt;";
                    break;
                case '>':
                    out += "&gt;";
                    break;
                case '"':
                    out += "&quot;";
                    break;
                default:
                    // Control bytes are not allowed in XML text, and a byte above 0x7f may not
                    // be UTF-8: a name from another process must not spoil the document.
                    if (static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7f)
                        out += c;
                    else
                        out += '?';
                }
            }
            return out;
        }

        std::string N(double v)
        {
            return Fixed(v, 1);
        }

        bool Finite(const Vect3D& v)
        {
            return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
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
        // side of a right hand) to the left; +z points at the viewer.
        // From the side, looking along +y: fingers point right, the back of the hand up.
        const View views[2] = {
            {"View from above (x-y)", [](const Vect3D& v) { return -static_cast<double>(v.y); },
             [](const Vect3D& v) { return static_cast<double>(v.x); },
             [](const Vect3D& v) { return static_cast<double>(v.z); }, "-y", "+x"},
            {"View from the side (x-z)", [](const Vect3D& v) { return static_cast<double>(v.x); },
             [](const Vect3D& v) { return static_cast<double>(v.z); },
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
        };

        std::string Panel(const TSCore::HandPose& pose, const View& view, double left, double scale, const Box& box)
        {
            const double cx = left + panelSize / 2.0;
            const double cy = panelTop + panelSize / 2.0;
            const double mx = (box.minX + box.maxX) / 2.0;
            const double my = (box.minY + box.maxY) / 2.0;
            auto px = [&](const Vect3D& v) { return cx + (view.right(v) - mx) * scale; };
            auto py = [&](const Vect3D& v) { return cy - (view.up(v) - my) * scale; };

            std::string out = "  <g>\n";
            out += "    <rect x=\"" + N(left) + "\" y=\"" + N(panelTop) + "\" width=\"" + N(panelSize) +
                   "\" height=\"" + N(panelSize) + "\" fill=\"#fafafa\" stroke=\"#cccccc\"/>\n";
            out += "    <text x=\"" + N(left + 10) + "\" y=\"" + N(panelTop - 10) +
                   "\" font-size=\"16\" fill=\"#333333\">" + view.title + "</text>\n";

            // Axis gizmo in the lower left corner.
            const double gx = left + 20.0;
            const double gy = panelTop + panelSize - 20.0;
            out += "    <g stroke=\"#888888\" stroke-width=\"1.5\">\n";
            out += "      <line x1=\"" + N(gx) + "\" y1=\"" + N(gy) + "\" x2=\"" + N(gx + 30) + "\" y2=\"" + N(gy) +
                   "\"/>\n";
            out += "      <line x1=\"" + N(gx) + "\" y1=\"" + N(gy) + "\" x2=\"" + N(gx) + "\" y2=\"" + N(gy - 30) +
                   "\"/>\n    </g>\n";
            out += "    <text x=\"" + N(gx + 34) + "\" y=\"" + N(gy + 4) + "\" font-size=\"11\" fill=\"#888888\">" +
                   view.rightLabel + "</text>\n";
            out += "    <text x=\"" + N(gx - 6) + "\" y=\"" + N(gy - 34) + "\" font-size=\"11\" fill=\"#888888\">" +
                   view.upLabel + "</text>\n";

            // The palm: the wrist and the first joint of every digit.
            const Vect3D wrist = Vect3D::zero;
            std::string palm;
            for (std::size_t f = 0; f < pose.jointPositions.size(); ++f)
                if (!pose.jointPositions[f].empty() && Finite(pose.jointPositions[f][0]))
                    palm += N(px(pose.jointPositions[f][0])) + "," + N(py(pose.jointPositions[f][0])) + " ";
            if (!palm.empty())
                out += "    <polygon points=\"" + palm + N(px(wrist)) + "," + N(py(wrist)) +
                       "\" fill=\"#e8e8e8\" stroke=\"#bbbbbb\" stroke-width=\"1\"/>\n";

            // Farther digits first, so that nearer ones are drawn over them.
            std::vector<std::pair<double, std::size_t>> order;
            for (std::size_t f = 0; f < pose.jointPositions.size(); ++f)
            {
                double depth = 0.0;
                for (const auto& p : pose.jointPositions[f])
                    if (Finite(p))
                        depth += view.depth(p);
                order.emplace_back(pose.jointPositions[f].empty() ? 0.0 : depth / pose.jointPositions[f].size(), f);
            }
            std::stable_sort(order.begin(), order.end());
            for (const auto& entry : order)
            {
                const std::size_t f = entry.second;
                std::vector<Vect3D> points;
                for (const auto& p : pose.jointPositions[f])
                    if (Finite(p))
                        points.push_back(p);
                if (points.empty())
                    continue;
                const std::string colour = Colour(f);
                out += "    <g stroke=\"" + colour + "\" fill=\"" + colour + "\">\n";
                out += "      <line x1=\"" + N(px(wrist)) + "\" y1=\"" + N(py(wrist)) + "\" x2=\"" + N(px(points[0])) +
                       "\" y2=\"" + N(py(points[0])) + "\" stroke-width=\"2\" stroke-opacity=\"0.35\"/>\n";
                std::string line;
                for (const auto& p : points)
                    line += N(px(p)) + "," + N(py(p)) + " ";
                line.pop_back();
                out += "      <polyline points=\"" + line +
                       "\" fill=\"none\" stroke-width=\"5\" stroke-linecap=\"round\" stroke-linejoin=\"round\"/>\n";
                for (std::size_t j = 0; j < points.size(); ++j)
                    out += "      <circle cx=\"" + N(px(points[j])) + "\" cy=\"" + N(py(points[j])) + "\" r=\"" +
                           (j + 1 == points.size() ? "4" : "5.5") + "\" stroke=\"#ffffff\" stroke-width=\"1.5\"/>\n";
                out += "    </g>\n";
            }
            out += "    <circle cx=\"" + N(px(wrist)) + "\" cy=\"" + N(py(wrist)) +
                   "\" r=\"6\" fill=\"#555555\" stroke=\"#ffffff\" stroke-width=\"1.5\"/>\n";
            out += "  </g>\n";
            return out;
        }
    }

    std::string RenderPoseSvg(const TSCore::HandPose& pose, const std::string& caption)
    {
        // One scale for both views, so that lengths compare across them; each view is
        // centred on its own extent (the wrist included).
        Box boxes[2];
        bool any = false;
        for (int v = 0; v < 2; ++v)
            for (const auto& finger : pose.jointPositions)
                for (const auto& p : finger)
                    if (Finite(p))
                    {
                        boxes[v].Add(views[v].right(p), views[v].up(p));
                        any = true;
                    }
        const double room = panelSize - 2.0 * panelMargin;
        double extent = 1e-3;
        for (const Box& box : boxes)
            extent = std::max({extent, box.maxX - box.minX, box.maxY - box.minY});
        const double scale = room / extent;

        std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
        out += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + N(width) + "\" height=\"" + N(height) +
               "\" viewBox=\"0 0 " + N(width) + " " + N(height) + "\" font-family=\"sans-serif\">\n";
        out += "  <rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";
        out += "  <text x=\"40\" y=\"40\" font-size=\"24\" font-weight=\"bold\" fill=\"#222222\">" +
               std::string(pose.isRight ? "Right hand" : "Left hand") + "</text>\n";
        out += "  <text x=\"200\" y=\"40\" font-size=\"14\" fill=\"#666666\">" + Escape(caption) + "</text>\n";
        for (int v = 0; v < 2; ++v)
            out += Panel(pose, views[v], panelLeft[v], scale, boxes[v]);
        if (!any)
            out += "  <text x=\"" + N(width / 2) + "\" y=\"" + N(panelTop + panelSize / 2) +
                   "\" font-size=\"18\" text-anchor=\"middle\" fill=\"#aa0000\">no joint positions</text>\n";

        // Legend: one swatch per digit.
        double x = 40.0;
        const double y = panelTop + panelSize + 35.0;
        for (std::size_t f = 0; f < 5; ++f)
        {
            out += "  <rect x=\"" + N(x) + "\" y=\"" + N(y - 11) + "\" width=\"14\" height=\"14\" fill=\"" + Colour(f) +
                   "\"/>\n";
            out += "  <text x=\"" + N(x + 20) + "\" y=\"" + N(y + 1) + "\" font-size=\"14\" fill=\"#333333\">" +
                   TSCore::Util::StrStuff::ToString(static_cast<TSCore::Finger>(f)) + "</text>\n";
            x += 100.0;
        }
        out += "  <text x=\"" + N(x + 20) + "\" y=\"" + N(y + 1) +
               "\" font-size=\"12\" fill=\"#888888\">dark dot: wrist; millimetres, same scale in both views</text>\n";
        out += "</svg>\n";
        return out;
    }
}
