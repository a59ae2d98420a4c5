#include "ViewSettingsStore.h"

#include "ProjectDatabase.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

namespace vexor::data {

namespace {

// The columns in the order they are read and written; the row id follows them.
constexpr const char* kFindRow =
    "SELECT BackRed, BackGreen, BackBlue, ForeColor, X1, Y1, X2, Y2, rowid "
    "FROM tblRecentProject WHERE vexor_upper(FileName) = vexor_upper(?1) "
    "ORDER BY rowid LIMIT 1";
constexpr int kRowIdColumn = 8;

std::optional<double> numberFrom(const Statement& row, int column) {
    switch (row.columnType(column)) {
    case ColumnType::Integer:
        return static_cast<double>(row.integer(column));
    case ColumnType::Real:
        return row.real(column);
    case ColumnType::Text: {
        const std::string text = row.text(column);
        const char* first = text.data();
        const char* last = first + text.size();
        while (first != last && *first == ' ')
            ++first;
        while (last != first && last[-1] == ' ')
            --last;
        double value = 0;
        const auto [end, error] = std::from_chars(first, last, value);
        if (error != std::errc() || end != last || first == last)
            return std::nullopt;
        return value;
    }
    default:
        return std::nullopt;
    }
}

// Rounds half to even, as a stored fraction is taken for a whole number.
std::optional<std::int16_t> int16From(const Statement& row, int column) {
    const std::optional<double> value = numberFrom(row, column);
    if (!value || !std::isfinite(*value))
        return std::nullopt;
    const double rounded = std::nearbyint(*value);
    if (rounded < std::numeric_limits<std::int16_t>::min() ||
        rounded > std::numeric_limits<std::int16_t>::max())
        return std::nullopt;
    return static_cast<std::int16_t>(rounded);
}

// Assigns each field as soon as it is read; false at the first that cannot be read.
bool readFields(const Statement& row, ViewSettingsRecord& settings) {
    std::int16_t* const whole[] = {&settings.BackRed, &settings.BackGreen, &settings.BackBlue,
                                   &settings.ForeColor};
    double* const window[] = {&settings.X1, &settings.Y1, &settings.X2, &settings.Y2};
    int column = 0;
    for (std::int16_t* field : whole) {
        const auto value = int16From(row, column++);
        if (!value)
            return false;
        *field = *value;
    }
    for (double* field : window) {
        const auto value = numberFrom(row, column++);
        if (!value)
            return false;
        *field = *value;
    }
    return true;
}

} // namespace

ViewSettingsStore::ViewSettingsStore(const std::string& databaseFolder)
    : connection_(openWorkingConnection(databaseFolder)) {}

ViewSettingsStore::~ViewSettingsStore() = default;

void ViewSettingsStore::write(const std::string& path, const ViewSettingsRecord& settings) {
    try {
        Statement find(*connection_, kFindRow);
        find.bind(1, path);
        if (!find.step())
            return;
        const std::int64_t rowId = find.integer(kRowIdColumn);
        find.reset();
        Statement write(*connection_,
                        "UPDATE tblRecentProject SET BackRed = ?1, BackGreen = ?2, BackBlue = ?3, "
                        "ForeColor = ?4, X1 = ?5, Y1 = ?6, X2 = ?7, Y2 = ?8 WHERE rowid = ?9");
        write.bind(1, std::int64_t{settings.BackRed})
            .bind(2, std::int64_t{settings.BackGreen})
            .bind(3, std::int64_t{settings.BackBlue})
            .bind(4, std::int64_t{settings.ForeColor})
            .bind(5, settings.X1)
            .bind(6, settings.Y1)
            .bind(7, settings.X2)
            .bind(8, settings.Y2)
            .bind(9, rowId);
        write.step();
    } catch (const DatabaseError&) {
        // The drawing's earlier settings stay in the database.
    }
}

bool ViewSettingsStore::read(const std::string& path, ViewSettingsRecord& settings) {
    try {
        Statement find(*connection_, kFindRow);
        find.bind(1, path);
        return find.step() && readFields(find, settings);
    } catch (const DatabaseError&) {
        return false;
    }
}

} // namespace vexor::data
