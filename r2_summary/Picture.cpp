#include "Picture.h"

#include <cmath>
#include <cstdlib>

namespace {

// Geometry, in pixels.
const double kZeroLeft = 70, kZeroRight = 86;  // the column of MAF 0
const double kLogLeft = 96, kPerDecade = 160;  // from MAF 0.0005, three decades
const double kLogRight = kLogLeft + 3 * kPerDecade;
const int kTop = 84, kRowHeight = 7, kBottom = kTop + 50 * kRowHeight;  // r2_hat 1 .. 0
const int kBandHeight = 12, kBandGap = 8;
const int kAboveTop = kTop - kBandGap - kBandHeight, kBelowTop = kBottom + kBandGap;
const double kLegendLeft = 660;
const int kWidth = 800, kInputsTop = 516, kLineHeight = 16, kInputsShown = 20;

// Light to dark for more markers: one colour per power of ten.
const char* const kPalette[] = {"#fde725", "#a0da39", "#4ac16d", "#1fa187",
                                "#277f8e", "#365c8d", "#46327e", "#440154"};
const int kClasses = 8;

// The narrowest column of the log axis: 1/20 of a decade.
const double kColumnRatio = 1.1220184543019633;  // 10^0.05

double X(double thousandths) {
   return kLogLeft + kPerDecade * std::log10(thousandths / 0.5);
}

double Y(double r2) {
   return kBottom - r2 * (kBottom - kTop);
}

int ColourClass(int64_t count) {
   int digits = 0;
   for (; count >= 10 && digits < kClasses - 1; count /= 10) digits++;
   return digits;
}

std::string ClassLabel(int colourClass) {
   std::string low = "1" + std::string(colourClass, '0');
   if (colourClass == kClasses - 1) return low + " or more";
   return low + "-" + std::string(colourClass + 1, '9');
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

Density::Density(const MafBins& bins_) : bins(bins_), columnOf(501, 0) {
   // Columns of whole thousandths, merged until one spans 1/20 of a decade.
   columnEdges.push_back(0.5);
   for (int first = 1, column = 1; first <= 500; column++) {
      int last = first;
      while (last < 500 && last + 0.5 < columnEdges.back() * kColumnRatio) last++;
      for (int m = first; m <= last; m++) columnOf[m] = column;
      columnEdges.push_back(last == 500 ? 500 : last + 0.5);
      first = last + 1;
   }
   counts.assign(columnEdges.size() * kRows, 0);
}

void Density::WriteSvg(FILE* out, const Cuts& thresholds,
                       const std::vector<std::string>& inputs) const {
   int64_t drawn = 0, most = 0;
   for (int64_t count : counts) {
      drawn += count;
      if (count > most) most = count;
   }
   int listed = static_cast<int>(inputs.size() < kInputsShown + 1u ? inputs.size() : kInputsShown);
   int height =
       kInputsTop + kLineHeight * (listed + 1 + (listed < static_cast<int>(inputs.size())));

   fprintf(out,
           "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" "
           "viewBox=\"0 0 %d %d\" font-family=\"sans-serif\" font-size=\"12\">\n"
           "<rect width=\"%d\" height=\"%d\" fill=\"white\"/>\n"
           "<text x=\"20\" y=\"24\" font-size=\"16\" font-weight=\"bold\">r2_hat against minor "
           "allele frequency</text>\n"
           "<text x=\"20\" y=\"44\">%lld markers drawn; %lld not drawn (r2_hat not a number, or "
           "MAF not between 0 and 0.5)</text>\n",
           kWidth, height, kWidth, height, kWidth, height, static_cast<long long>(drawn),
           static_cast<long long>(notDrawn));

   // Cells, each with its count as a tooltip; without smoothing, so that
   // neighbours meet without a seam.
   fprintf(out, "<g shape-rendering=\"crispEdges\">\n");
   for (size_t column = 0; column < columnEdges.size(); column++)
      for (int row = 0; row < kRows; row++) {
         int64_t count = counts[column * kRows + row];
         if (count == 0) continue;
         double left = column == 0 ? kZeroLeft : X(columnEdges[column - 1]);
         double right = column == 0 ? kZeroRight : X(columnEdges[column]);
         int top = row == 0 ? kBelowTop : row == kRows - 1 ? kAboveTop : kBottom - row * kRowHeight;
         int cellHeight = row == 0 || row == kRows - 1 ? kBandHeight : kRowHeight;
         fprintf(out,
                 "<rect x=\"%.1f\" y=\"%d\" width=\"%.1f\" height=\"%d\" fill=\"%s\">"
                 "<title>%lld</title></rect>\n",
                 left, top, right - left, cellHeight, kPalette[ColourClass(count)],
                 static_cast<long long>(count));
      }

   // Frames of the plotting areas, the MAF bin edges, the thresholds.
   fprintf(out, "</g>\n<g fill=\"none\" stroke=\"#555555\">\n");
   for (int top : {kAboveTop, kTop, kBelowTop}) {
      int frameHeight = top == kTop ? kBottom - kTop : kBandHeight;
      fprintf(out, "<rect x=\"%.1f\" y=\"%d\" width=\"%.1f\" height=\"%d\"/>\n", kZeroLeft, top,
              kZeroRight - kZeroLeft, frameHeight);
      fprintf(out, "<rect x=\"%.1f\" y=\"%d\" width=\"%.1f\" height=\"%d\"/>\n", kLogLeft, top,
              kLogRight - kLogLeft, frameHeight);
   }
   fprintf(out, "</g>\n<g stroke=\"#999999\" stroke-dasharray=\"2 3\">\n");
   for (double edge : bins.Edges())
      if (edge < 0.5 && edge >= 0.0005)
         fprintf(out, "<line x1=\"%.1f\" y1=\"%d\" x2=\"%.1f\" y2=\"%d\"/>\n", X(edge * 1000),
                 kAboveTop, X(edge * 1000), kBelowTop + kBandHeight);
   fprintf(out, "</g>\n<g stroke=\"#d62728\" stroke-width=\"1.5\" stroke-dasharray=\"6 4\">\n");
   for (size_t t = 0; t < thresholds.values.size(); t++)
      if (thresholds.values[t] >= 0 && thresholds.values[t] <= 1)
         fprintf(out, "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\"/>\n", kZeroLeft,
                 Y(thresholds.values[t]), kLogRight, Y(thresholds.values[t]));
   fprintf(out, "</g>\n<g fill=\"#d62728\">\n");
   for (size_t t = 0; t < thresholds.values.size(); t++)
      if (thresholds.values[t] >= 0 && thresholds.values[t] <= 1)
         fprintf(out, "<text x=\"%.1f\" y=\"%.1f\">r2_hat %s</text>\n", kLogRight + 4,
                 Y(thresholds.values[t]) + 4, XmlText(thresholds.texts[t]).c_str());

   // Axes: ticks and their labels, titles.
   fprintf(out, "</g>\n<g text-anchor=\"middle\">\n<text x=\"%.1f\" y=\"472\">0</text>\n",
           (kZeroLeft + kZeroRight) / 2);
   for (const char* tick : {"0.001", "0.01", "0.1", "0.5"}) {
      double x = X(atof(tick) * 1000);
      fprintf(out, "<line x1=\"%.1f\" y1=\"%d\" x2=\"%.1f\" y2=\"%d\" stroke=\"#555555\"/>\n", x,
              kBelowTop + kBandHeight, x, kBelowTop + kBandHeight + 5);
      fprintf(out, "<text x=\"%.1f\" y=\"472\">%s</text>\n", x, tick);
   }
   fprintf(out,
           "<text x=\"%.1f\" y=\"494\">minor allele frequency (log scale; 0 apart)</text>\n"
           "<text transform=\"translate(20 %d) rotate(-90)\">r2_hat</text>\n"
           "</g>\n<g text-anchor=\"end\">\n",
           (kZeroLeft + kLogRight) / 2, (kTop + kBottom) / 2);
   for (int tenth = 0; tenth <= 10; tenth += 2)
      fprintf(out, "<text x=\"%.1f\" y=\"%.1f\">%d.%d</text>\n", kZeroLeft - 6, Y(tenth / 10.0) + 4,
              tenth / 10, tenth % 10);
   fprintf(out,
           "<text x=\"%.1f\" y=\"%d\">&gt; 1</text>\n<text x=\"%.1f\" y=\"%d\">&lt; 0</text>\n"
           "</g>\n",
           kZeroLeft - 6, kAboveTop + 10, kZeroLeft - 6, kBelowTop + 10);

   // Legend: one swatch per power of ten up to the fullest cell.
   fprintf(out, "<text x=\"%.1f\" y=\"%d\">markers per cell</text>\n", kLegendLeft, kTop);
   for (int c = 0; c <= ColourClass(most); c++) {
      int top = kTop + 10 + 20 * c;
      fprintf(out,
              "<rect x=\"%.1f\" y=\"%d\" width=\"14\" height=\"14\" fill=\"%s\"/>"
              "<text x=\"%.1f\" y=\"%d\">%s</text>\n",
              kLegendLeft, top, kPalette[c], kLegendLeft + 20, top + 11, ClassLabel(c).c_str());
   }

   int below = kTop + 10 + 20 * (ColourClass(most) + 1) + 16;
   fprintf(out,
           "<line x1=\"%.1f\" y1=\"%d\" x2=\"%.1f\" y2=\"%d\" stroke=\"#999999\" "
           "stroke-dasharray=\"2 3\"/><text x=\"%.1f\" y=\"%d\">MAF bin edges</text>\n"
           "<line x1=\"%.1f\" y1=\"%d\" x2=\"%.1f\" y2=\"%d\" stroke=\"#d62728\" "
           "stroke-width=\"1.5\" stroke-dasharray=\"6 4\"/><text x=\"%.1f\" y=\"%d\">r2_hat "
           "thresholds</text>\n",
           kLegendLeft, below - 4, kLegendLeft + 14, below - 4, kLegendLeft + 20, below,
           kLegendLeft, below + 16, kLegendLeft + 14, below + 16, kLegendLeft + 20, below + 20);

   // The reports drawn.
   fprintf(out, "<text x=\"20\" y=\"%d\">%s:</text>\n", kInputsTop,
           inputs.size() == 1 ? "Report" : "Reports");
   for (int i = 0; i < listed; i++)
      fprintf(out, "<text x=\"30\" y=\"%d\">%s</text>\n", kInputsTop + kLineHeight * (i + 1),
              XmlText(inputs[i]).c_str());
   if (listed < static_cast<int>(inputs.size()))
      fprintf(out, "<text x=\"30\" y=\"%d\">and %d more</text>\n",
              kInputsTop + kLineHeight * (listed + 1), static_cast<int>(inputs.size()) - listed);
   fprintf(out, "</svg>\n");
}
