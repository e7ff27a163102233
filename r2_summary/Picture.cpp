#include "Picture.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace {

// Geometry, in pixels.
const double kZeroLeft = 70, kZeroRight = 86;  // the column of MAF below 0.0005
const double kLogLeft = 96, kPerDecade = 160;  // from MAF 0.0005, three decades
const double kLogRight = kLogLeft + 3 * kPerDecade;
const int kTop = 84, kRowHeight = 7, kBottom = kTop + 50 * kRowHeight;  // r2_hat 1 .. 0
const int kBandHeight = 12, kBandGap = 8;
const int kAboveTop = kTop - kBandGap - kBandHeight, kBelowTop = kBottom + kBandGap;
const double kLegendLeft = 660;
const int kWidth = 800, kInputsTop = 516, kLineHeight = 16, kInputsShown = 20;

// Viridis at nine even steps: perceptually uniform, monotone in lightness (so
// it reads in grey) and readable with the common colour vision deficiencies.
const unsigned kViridis[] = {0x440154, 0x472d7b, 0x3b528b, 0x2c728e, 0x21908c,
                             0x27ad81, 0x5dc863, 0xaadc32, 0xfde725};
const int kViridisSteps = 8;

// One colour per report, told apart also by readers with a colour vision deficiency.
const char* const kReportColours[] = {"#0072b2", "#d55e00", "#009e73", "#cc79a7",
                                      "#e69f00", "#56b4e9", "#000000", "#999933"};

// The narrowest column of the log axis: 1/20 of a decade.
const double kColumnRatio = 1.1220184543019633;  // 10^0.05

void Append(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
void Append(std::string& out, const char* format, ...) {
   char text[512];
   va_list args;
   va_start(args, format);
   int length = vsnprintf(text, sizeof text, format, args);
   va_end(args);
   if (length < static_cast<int>(sizeof text)) {
      out.append(text, length);
      return;
   }
   std::vector<char> longer(length + 1);
   va_start(args, format);
   vsnprintf(longer.data(), longer.size(), format, args);
   va_end(args);
   out.append(longer.data(), length);
}

double X(double thousandths) {
   return kLogLeft + kPerDecade * std::log10(thousandths / 0.5);
}

double Y(double r2) {
   return kBottom - r2 * (kBottom - kTop);
}

// Values beyond 0 and 1 are drawn in their bands.
double BandedY(double r2) {
   if (r2 > 1) return kAboveTop + kBandHeight / 2.0;
   if (r2 < 0) return kBelowTop + kBandHeight / 2.0;
   return Y(r2);
}

// Light for one marker, dark for the most: t from 0 to 1 over log counts.
std::string Viridis(double t) {
   double at = (1 - t) * kViridisSteps;
   int step = at >= kViridisSteps ? kViridisSteps - 1 : static_cast<int>(at);
   double f = at - step;
   char text[8];
   int rgb[3];
   for (int c = 0; c < 3; c++) {
      int shift = 16 - 8 * c;
      double from = (kViridis[step] >> shift) & 0xff, to = (kViridis[step + 1] >> shift) & 0xff;
      rgb[c] = static_cast<int>(std::lround(from + f * (to - from)));
   }
   snprintf(text, sizeof text, "#%02x%02x%02x", rgb[0], rgb[1], rgb[2]);
   return text;
}

void Header(std::string& out, int height, const char* title, const std::string& subtitle) {
   Append(out,
          "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" "
          "viewBox=\"0 0 %d %d\" font-family=\"sans-serif\" font-size=\"12\">\n"
          "<rect width=\"%d\" height=\"%d\" fill=\"white\"/>\n"
          "<text x=\"20\" y=\"24\" font-size=\"16\" font-weight=\"bold\">%s</text>\n"
          "<text x=\"20\" y=\"44\">%s</text>\n",
          kWidth, height, kWidth, height, kWidth, height, title, subtitle.c_str());
}

int InputsHeight(size_t inputs, size_t shown) {
   return kInputsTop + kLineHeight * static_cast<int>(shown + 1 + (shown < inputs));
}

}  // namespace

std::string XmlText(const std::string& text) {
   std::string out;
   for (size_t i = 0; i < text.size(); i++) {
      unsigned char c = text[i];
      if (c == '&')
         out += "&amp;";
      else if (c == '<')
         out += "&lt;";
      else if (c == '>')
         out += "&gt;";
      else if (c == '"')
         out += "&quot;";
      else if (c < 0x20)
         out += '?';
      else if (c < 0x80)
         out += static_cast<char>(c);
      else {
         // A lead byte and its continuation bytes pass whole, or not at all.
         size_t length = c >= 0xf5 ? 0 : c >= 0xf0 ? 4 : c >= 0xe0 ? 3 : c >= 0xc2 ? 2 : 0;
         size_t j = 1;
         while (length && j < length && i + j < text.size() && (text[i + j] & 0xc0) == 0x80) j++;
         if (length == 0 || j < length) {
            out += '?';
            continue;
         }
         out += text.substr(i, length);
         i += length - 1;
      }
   }
   return out;
}

double ColumnValues::Median(int column) const {
   const int64_t* cell = &cells[column * kCells];
   int64_t low = (numbers[column] - 1) / 2, high = numbers[column] / 2;
   double sum = 0;
   int64_t seen = 0;
   for (int c = 0; c < kCells; c++) {
      if (low >= seen && low < seen + cell[c]) sum += c - 1;
      if (high >= seen && high < seen + cell[c]) {
         sum += c - 1;
         break;
      }
      seen += cell[c];
   }
   return sum / 2000;
}

Density::Density(const MafBins& bins_) : bins(bins_), columnOf(501, 0) {
   // Columns of whole thousandths, merged until one spans 1/20 of a decade,
   // ending where a bin ends.
   std::vector<bool> binEnds(501, false);
   for (int edge : bins.PrintedEdges()) binEnds[edge] = true;
   columnEdges.push_back(0.5);
   for (int first = 1, column = 1; first <= 500; column++) {
      int last = first;
      while (last < 500 && !binEnds[last] && last + 0.5 < columnEdges.back() * kColumnRatio) last++;
      for (int m = first; m <= last; m++) columnOf[m] = column;
      columnEdges.push_back(last == 500 ? 500 : last + 0.5);
      first = last + 1;
   }
   counts.assign(columnEdges.size() * kRows, 0);
   all = ColumnValues(static_cast<int>(columnEdges.size()));
}

void Density::StartReport() {
   current++;
   if (current < kReportsCompared) reports.emplace_back(static_cast<int>(columnEdges.size()));
}

double Density::ColumnX(int column) const {
   if (column == 0) return (kZeroLeft + kZeroRight) / 2;
   return (X(columnEdges[column - 1]) + X(columnEdges[column])) / 2;
}

void Density::Axes(std::string& out, const Cuts& thresholds, const char* thresholdColour) const {
   // Frames of the plotting areas, the MAF bin edges, the thresholds.
   Append(out, "<g fill=\"none\" stroke=\"#555555\">\n");
   for (int top : {kAboveTop, kTop, kBelowTop}) {
      int frameHeight = top == kTop ? kBottom - kTop : kBandHeight;
      Append(out, "<rect x=\"%.1f\" y=\"%d\" width=\"%.1f\" height=\"%d\"/>\n", kZeroLeft, top,
             kZeroRight - kZeroLeft, frameHeight);
      Append(out, "<rect x=\"%.1f\" y=\"%d\" width=\"%.1f\" height=\"%d\"/>\n", kLogLeft, top,
             kLogRight - kLogLeft, frameHeight);
   }
   Append(out, "</g>\n<g stroke=\"#999999\" stroke-dasharray=\"2 3\">\n");
   // A bin of printed MAF values ends half a thousandth past its last value.
   std::vector<double> edges;
   for (int edge : bins.PrintedEdges()) edges.push_back(edge + 0.5);
   if (bins.PrintedEdges().empty())
      for (double edge : bins.Edges()) edges.push_back(edge * 1000);
   for (double edge : edges)
      if (edge < 500 && edge >= 0.5)
         Append(out, "<line x1=\"%.1f\" y1=\"%d\" x2=\"%.1f\" y2=\"%d\"/>\n", X(edge), kAboveTop,
                X(edge), kBelowTop + kBandHeight);
   Append(out, "</g>\n<g stroke=\"%s\" stroke-width=\"1.5\" stroke-dasharray=\"6 4\">\n",
          thresholdColour);
   for (size_t t = 0; t < thresholds.values.size(); t++)
      if (thresholds.values[t] >= 0 && thresholds.values[t] <= 1)
         Append(out, "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\"/>\n", kZeroLeft,
                Y(thresholds.values[t]), kLogRight, Y(thresholds.values[t]));
   Append(out, "</g>\n<g fill=\"%s\">\n", thresholdColour);
   for (size_t t = 0; t < thresholds.values.size(); t++)
      if (thresholds.values[t] >= 0 && thresholds.values[t] <= 1)
         Append(out, "<text x=\"%.1f\" y=\"%.1f\">r2_hat %s</text>\n", kLogRight + 4,
                Y(thresholds.values[t]) + 4, XmlText(thresholds.texts[t]).c_str());

   // Axes: ticks and their labels, titles.
   Append(out, "</g>\n<g text-anchor=\"middle\">\n<text x=\"%.1f\" y=\"472\">&lt; 0.0005</text>\n",
          (kZeroLeft + kZeroRight) / 2);
   for (const char* tick : {"0.001", "0.01", "0.1", "0.5"}) {
      double x = X(atof(tick) * 1000);
      Append(out, "<line x1=\"%.1f\" y1=\"%d\" x2=\"%.1f\" y2=\"%d\" stroke=\"#555555\"/>\n", x,
             kBelowTop + kBandHeight, x, kBelowTop + kBandHeight + 5);
      Append(out, "<text x=\"%.1f\" y=\"%d\">%s</text>\n", x, 472, tick);
   }
   Append(out,
          "<text x=\"%.1f\" y=\"494\">minor allele frequency (log scale; below 0.0005 "
          "apart)</text>\n"
          "<text transform=\"translate(20 %d) rotate(-90)\">r2_hat</text>\n"
          "</g>\n<g text-anchor=\"end\">\n",
          (kZeroLeft + kLogRight) / 2, (kTop + kBottom) / 2);
   for (int tenth = 0; tenth <= 10; tenth += 2)
      Append(out, "<text x=\"%.1f\" y=\"%.1f\">%d.%d</text>\n", kZeroLeft - 6, Y(tenth / 10.0) + 4,
             tenth / 10, tenth % 10);
   Append(out,
          "<text x=\"%.1f\" y=\"%d\">&gt; 1</text>\n<text x=\"%.1f\" y=\"%d\">&lt; 0</text>\n"
          "</g>\n",
          kZeroLeft - 6, kAboveTop + 10, kZeroLeft - 6, kBelowTop + 10);
}

void Density::Curve(std::string& out, const ColumnValues& values, bool median, const char* colour,
                    bool halo) const {
   // Points joined along the log axis where neighbouring columns hold markers;
   // the column below 0.0005 stands apart.
   std::string path, points;
   bool joined = false;
   for (int column = 0; column < static_cast<int>(columnEdges.size()); column++) {
      if (values.Numbers(column) == 0) {
         joined = false;
         continue;
      }
      double x = ColumnX(column);
      double y = BandedY(median ? values.Median(column) : values.Mean(column));
      Append(path, "%c%.1f %.1f", joined ? 'L' : 'M', x, y);
      joined = column > 0;
      Append(points, "<circle cx=\"%.1f\" cy=\"%.1f\" r=\"2.5\"/>", x, y);
   }
   if (path.empty()) return;
   const char* dashes = median ? " stroke-dasharray=\"5 3\"" : "";
   if (halo)
      Append(out,
             "<path d=\"%s\" fill=\"none\" stroke=\"white\" stroke-width=\"4.5\" "
             "stroke-linejoin=\"round\"/>\n",
             path.c_str());
   Append(out,
          "<path d=\"%s\" fill=\"none\" stroke=\"%s\" stroke-width=\"2\"%s "
          "stroke-linejoin=\"round\"/>\n<g fill=\"%s\" stroke=\"%s\">%s</g>\n",
          path.c_str(), colour, dashes, median ? "white" : colour,
          median ? colour
          : halo ? "white"
                 : "none",
          points.c_str());
}

std::string Density::Svg(const Cuts& thresholds, const std::vector<std::string>& inputs) const {
   int64_t drawn = 0, most = 0;
   for (int64_t count : counts) {
      drawn += count;
      if (count > most) most = count;
   }
   size_t listed = inputs.size() < kInputsShown + 1u ? inputs.size() : kInputsShown;
   std::string out;
   char subtitle[200];
   snprintf(subtitle, sizeof subtitle,
            "%lld markers drawn; not drawn: %lld monomorphic, %lld with r2_hat not a number "
            "or MAF not between 0 and 0.5",
            static_cast<long long>(drawn), static_cast<long long>(monomorphic),
            static_cast<long long>(notDrawn));
   Header(out, InputsHeight(inputs.size(), listed), "r2_hat against minor allele frequency",
          subtitle);

   // Cells, each with its count as a tooltip; without smoothing, so that
   // neighbours meet without a seam. The colour follows the log count.
   double logMost = most > 1 ? std::log(static_cast<double>(most)) : 1;
   Append(out, "<g shape-rendering=\"crispEdges\">\n");
   for (size_t column = 0; column < columnEdges.size(); column++)
      for (int row = 0; row < kRows; row++) {
         int64_t count = counts[column * kRows + row];
         if (count == 0) continue;
         double left = column == 0 ? kZeroLeft : X(columnEdges[column - 1]);
         double right = column == 0 ? kZeroRight : X(columnEdges[column]);
         int top = row == 0 ? kBelowTop : row == kRows - 1 ? kAboveTop : kBottom - row * kRowHeight;
         int cellHeight = row == 0 || row == kRows - 1 ? kBandHeight : kRowHeight;
         Append(out,
                "<rect x=\"%.1f\" y=\"%d\" width=\"%.1f\" height=\"%d\" fill=\"%s\">"
                "<title>%lld</title></rect>\n",
                left, top, right - left, cellHeight,
                Viridis(std::log(static_cast<double>(count)) / logMost).c_str(),
                static_cast<long long>(count));
      }
   Append(out, "</g>\n");
   Axes(out, thresholds, "#d62728");
   Curve(out, all, false, "black", true);
   Curve(out, all, true, "black", true);

   // Legend: the colour scale over log counts, ticked at powers of ten.
   const int scaleTop = kTop + 10, scaleHeight = 150;
   Append(out,
          "<text x=\"%.1f\" y=\"%d\">markers per cell</text>\n"
          "<defs><linearGradient id=\"density-scale\" x1=\"0\" y1=\"1\" x2=\"0\" y2=\"0\">",
          kLegendLeft, kTop);
   for (int step = 0; step <= kViridisSteps; step++)
      Append(out, "<stop offset=\"%.3f\" stop-color=\"%s\"/>", step / double(kViridisSteps),
             Viridis(step / double(kViridisSteps)).c_str());
   Append(out,
          "</linearGradient></defs>\n<rect x=\"%.1f\" y=\"%d\" width=\"14\" height=\"%d\" "
          "fill=\"url(#density-scale)\" stroke=\"#555555\"/>\n",
          kLegendLeft, scaleTop, scaleHeight);
   std::vector<int64_t> ticks;
   for (int64_t tick = 1; tick <= most; tick *= 10) ticks.push_back(tick);
   // The fullest cell's count tops the scale, unless a power of ten is too near.
   if (most > 1 && std::log(most / static_cast<double>(ticks.back())) / logMost > 0.1)
      ticks.push_back(most);
   for (int64_t tick : ticks) {
      double y = scaleTop + scaleHeight -
                 scaleHeight * (most > 1 ? std::log(static_cast<double>(tick)) / logMost : 0);
      Append(out,
             "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#555555\"/>"
             "<text x=\"%.1f\" y=\"%.1f\">%lld</text>\n",
             kLegendLeft + 14, y, kLegendLeft + 18, y, kLegendLeft + 22, y + 4,
             static_cast<long long>(tick));
   }
   int below = scaleTop + scaleHeight + 30;
   Append(out,
          "<path d=\"M%.1f %dh14\" stroke=\"black\" stroke-width=\"2\"/>"
          "<text x=\"%.1f\" y=\"%d\">mean r2_hat</text>\n"
          "<path d=\"M%.1f %dh14\" stroke=\"black\" stroke-width=\"2\" "
          "stroke-dasharray=\"5 3\"/><text x=\"%.1f\" y=\"%d\">median r2_hat</text>\n"
          "<line x1=\"%.1f\" y1=\"%d\" x2=\"%.1f\" y2=\"%d\" stroke=\"#999999\" "
          "stroke-dasharray=\"2 3\"/><text x=\"%.1f\" y=\"%d\">MAF bin edges</text>\n"
          "<line x1=\"%.1f\" y1=\"%d\" x2=\"%.1f\" y2=\"%d\" stroke=\"#d62728\" "
          "stroke-width=\"1.5\" stroke-dasharray=\"6 4\"/><text x=\"%.1f\" y=\"%d\">r2_hat "
          "thresholds</text>\n",
          kLegendLeft, below - 4, kLegendLeft + 20, below, kLegendLeft, below + 16,
          kLegendLeft + 20, below + 20, kLegendLeft, below + 36, kLegendLeft + 14, below + 36,
          kLegendLeft + 20, below + 40, kLegendLeft, below + 56, kLegendLeft + 14, below + 56,
          kLegendLeft + 20, below + 60);

   // The reports drawn.
   Append(out, "<text x=\"20\" y=\"%d\">%s:</text>\n", kInputsTop,
          inputs.size() == 1 ? "Report" : "Reports");
   for (size_t i = 0; i < listed; i++)
      Append(out, "<text x=\"30\" y=\"%d\">%s</text>\n",
             kInputsTop + kLineHeight * static_cast<int>(i + 1), XmlText(inputs[i]).c_str());
   if (listed < inputs.size())
      Append(out, "<text x=\"30\" y=\"%d\">and %d more</text>\n",
             kInputsTop + kLineHeight * static_cast<int>(listed + 1),
             static_cast<int>(inputs.size() - listed));
   Append(out, "</svg>\n");
   return out;
}

std::string Density::CurvesSvg(const Cuts& thresholds,
                               const std::vector<std::string>& inputs) const {
   size_t listed = reports.size();
   std::string out;
   Header(out, InputsHeight(inputs.size(), listed),
          "r2_hat against minor allele frequency, by report",
          "Mean and median r2_hat per MAF column, one colour per report");
   Axes(out, thresholds, "#7f7f7f");
   for (size_t r = 0; r < listed; r++) {
      Curve(out, reports[r], false, kReportColours[r], false);
      Curve(out, reports[r], true, kReportColours[r], false);
   }
   Append(out,
          "<path d=\"M%.1f %dh14\" stroke=\"#555555\" stroke-width=\"2\"/>"
          "<text x=\"%.1f\" y=\"%d\">mean r2_hat</text>\n"
          "<path d=\"M%.1f %dh14\" stroke=\"#555555\" stroke-width=\"2\" "
          "stroke-dasharray=\"5 3\"/><text x=\"%.1f\" y=\"%d\">median r2_hat</text>\n"
          "<line x1=\"%.1f\" y1=\"%d\" x2=\"%.1f\" y2=\"%d\" stroke=\"#999999\" "
          "stroke-dasharray=\"2 3\"/><text x=\"%.1f\" y=\"%d\">MAF bin edges</text>\n"
          "<line x1=\"%.1f\" y1=\"%d\" x2=\"%.1f\" y2=\"%d\" stroke=\"#7f7f7f\" "
          "stroke-width=\"1.5\" stroke-dasharray=\"6 4\"/><text x=\"%.1f\" y=\"%d\">r2_hat "
          "thresholds</text>\n",
          kLegendLeft, kTop - 4, kLegendLeft + 20, kTop, kLegendLeft, kTop + 16, kLegendLeft + 20,
          kTop + 20, kLegendLeft, kTop + 36, kLegendLeft + 14, kTop + 36, kLegendLeft + 20,
          kTop + 40, kLegendLeft, kTop + 56, kLegendLeft + 14, kTop + 56, kLegendLeft + 20,
          kTop + 60);

   // The reports, each beside its colour.
   Append(out, "<text x=\"20\" y=\"%d\">%s:</text>\n", kInputsTop,
          inputs.size() == 1 ? "Report" : "Reports");
   for (size_t r = 0; r < listed; r++) {
      int y = kInputsTop + kLineHeight * static_cast<int>(r + 1);
      Append(out,
             "<path d=\"M30 %dh20\" stroke=\"%s\" stroke-width=\"3\"/>"
             "<text x=\"58\" y=\"%d\">%s</text>\n",
             y - 4, kReportColours[r], y, XmlText(inputs[r]).c_str());
   }
   if (listed < inputs.size())
      Append(out, "<text x=\"30\" y=\"%d\">and %d more, drawn only together</text>\n",
             kInputsTop + kLineHeight * static_cast<int>(listed + 1),
             static_cast<int>(inputs.size() - listed));
   Append(out, "</svg>\n");
   return out;
}
