#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace vexor::data {

class Connection;

// Background colour, drawing colour and visible window of one drawing.
// A window of four zeros means that no window is stored.
struct ViewSettingsRecord {
    std::int16_t BackRed = 0;
    std::int16_t BackGreen = 0;
    std::int16_t BackBlue = 0;
    std::int16_t ForeColor = 0;
    double X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
};

// The view settings rows of the project database through one working connection. Opening it
// throws DatabaseError.
class ViewSettingsStore {
public:
    explicit ViewSettingsStore(const std::string& databaseFolder);
    ~ViewSettingsStore();

    // Writes the record into the row of `path`. No row, or a failure: nothing is written.
    void write(const std::string& path, const ViewSettingsRecord& settings);

    // Reads the row of `path` into the record, field by field in the order BackRed, BackGreen,
    // BackBlue, ForeColor, X1, Y1, X2, Y2. False when there is no row or a field that is null
    // or does not convert stopped the reading (the fields read before it keep their values).
    bool read(const std::string& path, ViewSettingsRecord& settings);

private:
    std::unique_ptr<Connection> connection_;
};

} // namespace vexor::data
