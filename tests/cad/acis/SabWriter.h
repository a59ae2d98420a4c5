// Binary modeler data built value by value for tests.
#pragma once

#include "cad/model/Math.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace vexor::cad::acis {

// Writes tagged values as binary modeler data does (little-endian).
class SabWriter {
public:
    explicit SabWriter(std::int32_t version = 21800) {
        out_ = "ACIS BinaryFile";
        raw(version), raw(std::int32_t{0}), raw(std::int32_t{1}), raw(std::int32_t{0});
        string("Test writer"), string("ASM 1.0"), string("Mon Dec  7 10:00:00 2026");
        real(1), real(1e-6), real(1e-10);
    }
    // A record name of hyphen-joined parts, then the attribute, history number and the
    // extra reference of the layout since 7.0.
    SabWriter& record(std::string_view name) {
        std::size_t start = 0;
        for (;;) {
            const std::size_t dash = name.find('-', start);
            const std::string_view part = name.substr(start, dash - start);
            out_ += static_cast<char>(dash == std::string_view::npos ? 13 : 14);
            out_ += static_cast<char>(part.size());
            out_ += part;
            if (dash == std::string_view::npos)
                break;
            start = dash + 1;
        }
        if (name.starts_with("End-"))
            return *this;
        ref(-1), tag(4), raw(std::int32_t{-1});
        if (name != "transform")
            ref(-1);
        return *this;
    }
    SabWriter& ref(std::int32_t i) { return tag(12), raw(i), *this; }
    SabWriter& real(double v) { return tag(6), raw(v), *this; }
    SabWriter& position(double x, double y, double z) {
        return tag(19), raw(x), raw(y), raw(z), *this;
    }
    SabWriter& vector(double x, double y, double z) {
        return tag(20), raw(x), raw(y), raw(z), *this;
    }
    SabWriter& logical(bool v) { return tag(v ? 10 : 11); }
    SabWriter& string(std::string_view s) {
        tag(7), out_ += static_cast<char>(s.size()), out_ += s;
        return *this;
    }
    SabWriter& end() { return tag(17); }
    SabWriter& tag(std::uint8_t t) { return out_ += static_cast<char>(t), *this; }
    std::string finish() {
        record("End-of-ASM-data");
        return out_;
    }

    // Body 0, lump 1, transform 2 (moving by tx, ty), shell 3, face 4, loop 5, plane 6, then
    // whatever the test adds from record 7 on.
    SabWriter& solid(double tx, double ty) {
        record("body").ref(1).ref(-1).ref(2).end();
        record("lump").ref(-1).ref(3).ref(0).end();
        record("transform")
            .vector(1, 0, 0)
            .vector(0, 1, 0)
            .vector(0, 0, 1)
            .vector(tx, ty, 0)
            .real(1)
            .logical(false)
            .logical(false)
            .logical(false)
            .end();
        record("shell").ref(-1).ref(-1).ref(-1).ref(4).ref(-1).ref(1).end();
        record("face").ref(-1).ref(5).ref(3).ref(-1).ref(6).logical(false).logical(false).end();
        record("loop").ref(-1).ref(-1).ref(7).ref(4).end();
        return record("plane-surface")
            .position(0, 0, 0)
            .vector(0, 0, 1)
            .vector(1, 0, 0)
            .logical(false)
            .end();
    }
    // Coedge 7 and edge 8 on vertices 9, 10 at points 11, 12, with curve 13.
    SabWriter& edge(Vec3 a, Vec3 b, bool reversed) {
        record("coedge").ref(7).ref(7).ref(-1).ref(8).logical(false).ref(5).tag(4);
        raw(std::int32_t{0}), ref(-1).end();
        record("edge").ref(9).real(0).ref(10).real(1).ref(7).ref(13).logical(reversed);
        string("unknown").end();
        record("vertex").ref(8).ref(11).end();
        record("vertex").ref(8).ref(12).end();
        record("point").position(a.x, a.y, a.z).end();
        return record("point").position(b.x, b.y, b.z).end();
    }

private:
    template <typename T> void raw(T v) {
        char bytes[sizeof(T)];
        std::memcpy(bytes, &v, sizeof(T)); // the tests run on little-endian machines
        out_.append(bytes, sizeof(T));
    }
    std::string out_;
};

} // namespace vexor::cad::acis
