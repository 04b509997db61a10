#include "reports/engine/TextRenderer.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace ReportEngine {

QString renderText(const PreparedReport& report) {
    QString out;
    for (std::size_t p = 0; p < report.pages.size(); ++p) {
        if (p > 0)
            out += QLatin1Char('\f');
        // Keyed by the top in hundredths of a millimetre, so that equal heights meet exactly.
        std::map<long long, std::vector<const PreparedItem*>> lines;
        for (const PreparedItem& item : report.pages[p].items)
            if (item.kind == PreparedItem::Text)
                lines[std::llround(item.rect.top() * 100)].push_back(&item);
        for (auto& [top, items] : lines) {
            std::stable_sort(items.begin(), items.end(), [](const auto* a, const auto* b) { return a->rect.left() < b->rect.left(); });
            QStringList texts;
            for (const PreparedItem* i : items)
                texts << i->text;
            out += texts.join(QLatin1Char('\t'));
            out += QLatin1Char('\n');
        }
    }
    return out;
}

} // namespace ReportEngine
