#include "Page.h"

#include "Picture.h"

namespace {

const char* const kStyle =
    "body{font-family:sans-serif;color:#222;line-height:1.4;margin:0 auto;max-width:62em;"
    "padding:0.5em 1em}\n"
    "h1{font-size:1.4em}h2{font-size:1.15em;margin-top:1.6em}\n"
    "figure{margin:1em 0}figure svg{display:block;width:100%;max-width:800px;height:auto}\n"
    ".wide{overflow-x:auto}\n"
    "table{border-collapse:collapse;font-size:0.9em;margin:0.5em 0}\n"
    "caption{text-align:left;font-weight:bold;padding:0.3em 0}\n"
    "th,td{padding:0.2em 0.6em;border-bottom:1px solid #ddd;text-align:right;"
    "white-space:nowrap}\n"
    "th:first-child,td:first-child{text-align:left}\n"
    "tr.all td{font-weight:bold}\n"
    "table.run th,table.run td{text-align:left;white-space:normal;vertical-align:top}\n"
    "code{overflow-wrap:anywhere}\n";

void Cells(std::string& out, const std::vector<std::string>& row, const char* tag) {
   // The input's name heads the table, so its column is left out.
   for (size_t c = 1; c < row.size(); c++)
      out += std::string("<") + tag + ">" + XmlText(row[c]) + "</" + tag + ">";
}

void SummaryTable(std::string& out, const std::string& caption, const Table& table, size_t first,
                  size_t count) {
   out += "<div class=\"wide\"><table class=\"summary\"><caption>" + XmlText(caption) +
          "</caption>\n<thead><tr>";
   Cells(out, table[0], "th");
   out += "</tr></thead>\n<tbody>\n";
   for (size_t r = first; r < first + count; r++) {
      out += r + 1 == first + count ? "<tr class=\"all\">" : "<tr>";
      Cells(out, table[r], "td");
      out += "</tr>\n";
   }
   out += "</tbody></table></div>\n";
}

}  // namespace

std::string Page(const PageContents& c) {
   const MafBins& bins = *c.bins;
   size_t block = bins.Count() + 1;
   std::string out =
       "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"en\">\n<head>\n"
       "<meta charset=\"utf-8\"/>\n"
       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"/>\n"
       "<title>r2_hat by minor allele frequency</title>\n<style>\n";
   out += kStyle;
   out += "</style>\n</head>\n<body>\n<h1>Imputation quality by minor allele frequency</h1>\n";

   out += "<h2>Run</h2>\n<table class=\"run\">\n<tr><th>";
   out += c.inputs.size() == 1 ? "Report" : "Reports";
   out += "</th><td>";
   for (size_t i = 0; i < c.inputs.size(); i++)
      out += (i ? "<br/>" : "") + std::string("<code>") + XmlText(c.inputs[i]) +
             "</code>: " + std::to_string(c.rows[i]) + " markers";
   out += "</td></tr>\n<tr><th>MAF bins</th><td>";
   for (int b = 0; b < bins.Count(); b++) out += (b ? ", " : "") + XmlText(bins.Label(b));
   out += "</td></tr>\n<tr><th>r2_hat thresholds</th><td>";
   for (size_t t = 0; t < c.thresholds->texts.size(); t++)
      out += (t ? ", " : "") + XmlText(c.thresholds->texts[t]);
   if (c.thresholds->texts.empty()) out += "none";
   out += "</td></tr>\n<tr><th>Outputs</th><td>";
   for (size_t o = 0; o < c.outputs.size(); o++)
      out += (o ? "<br/>" : "") + std::string("<code>") + XmlText(c.outputs[o]) + "</code>";
   out +=
       "</td></tr>\n</table>\n"
       "<p>The reports print MAF with three decimals, and the bins say what such a MAF can: "
       "a printed MAF stands for the frequencies within 0.0005 of it, so the bin "
       "[0.0015,0.0055) holds the markers printed 0.002 to 0.005, and &lt; 0.0005 the "
       "polymorphic markers printed 0.000. Monomorphic markers (MAF 0.000, r2_hat \"-\") are "
       "counted apart; other holds the markers whose MAF is \"-\" or not between 0 and "
       "0.5.</p>\n";

   out += "<h2>r2_hat against MAF</h2>\n<figure>\n" + c.density +
          "<figcaption>Markers per cell (colour, log scale) with the mean and median r2_hat "
          "per MAF column, all reports together.</figcaption>\n</figure>\n<figure>\n" +
          c.curves +
          "<figcaption>Mean and median r2_hat per MAF column, by report.</figcaption>\n"
          "</figure>\n";

   out += "<h2>Summary by MAF bin</h2>\n";
   size_t reports = c.inputs.size();
   SummaryTable(out, "All reports together", c.table, 1 + reports * block, block);
   for (size_t i = 0; i < reports; i++)
      SummaryTable(out, "Report " + c.inputs[i], c.table, 1 + i * block, block);
   out +=
       "<p>markers: every marker of the bin; r2_missing: r2_hat \"-\"; r2_nan: r2_hat nan or "
       "infinite; r2&gt;=<i>t</i>: markers whose r2_hat reaches the threshold <i>t</i>; "
       "mean_r2, median_r2: over the markers with a numeric r2_hat.</p>\n</body>\n</html>\n";
   return out;
}
