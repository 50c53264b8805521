#include "core/annotate/LineWeight.h"

#include "core/RawValues.h"

namespace line_weight {

namespace {

struct Entry {
    LineWeight value;
    const char* rawValue;
    const char* name;
    double multiplier;
};

constexpr Entry entries[] = {
    {LineWeight::thin, "thin", "Thin", 0.6},
    {LineWeight::medium, "medium", "Medium", 1.0},
    {LineWeight::thick, "thick", "Thick", 1.7},
};

} // namespace

QUILLBOX_RAW_VALUE_FUNCTIONS(LineWeight)

QString name(LineWeight weight) {
    return QString::fromLatin1(raw_values::entry(entries, weight).name);
}

double multiplier(LineWeight weight) {
    return raw_values::entry(entries, weight).multiplier;
}

} // namespace line_weight
