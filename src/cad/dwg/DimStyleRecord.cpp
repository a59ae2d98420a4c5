#include "TableRecords.h"

namespace vexor::cad::dwg {
namespace {

// Collects the variables of one record in the order the file stores them.
class VariableReader {
public:
    VariableReader(ObjectFrame& f, const TextDecoder& decode, DimStyleRecord& out)
        : f_(f), decode_(decode), out_(out) {}

    void flag(int code) { number(code, f_.data.bit() ? 1 : 0); }
    void rawChar(int code) { number(code, f_.data.rawChar()); }
    void bitShort(int code) { number(code, f_.data.bitShort()); }
    void bitDouble(int code) { number(code, f_.data.bitDouble()); }
    void text(int code) {
        DimValue v;
        v.text = f_.text(decode_);
        out_.variables.emplace_back(code, std::move(v));
    }
    // A colour: an index up to R2000, the table colour form from R2004.
    void color(int code) {
        if (f_.version < DwgVersion::R2004) {
            number(code, f_.data.bitShort());
            return;
        }
        // The index stored first may be 0 while the packed value holds the colour.
        int stored = 0;
        DimValue v;
        v.color = readTableColor(f_, decode_, &stored);
        out_.variables.emplace_back(code, std::move(v));
    }
    void handle(int code) {
        DimValue v;
        v.handle = f_.readHandle();
        out_.variables.emplace_back(code, std::move(v));
    }

private:
    void number(int code, double value) {
        DimValue v;
        v.hasNumber = true;
        v.number = value;
        out_.variables.emplace_back(code, std::move(v));
    }

    ObjectFrame& f_;
    const TextDecoder& decode_;
    DimStyleRecord& out_;
};

// R13 and R14 store the flags first, then sizes, then the arrowheads by name.
void readR13Variables(VariableReader& v) {
    for (int code : {71, 72, 73, 74, 75, 76, 170, 172, 173, 174, 175})
        v.flag(code);
    v.rawChar(171);
    v.rawChar(78);
    v.flag(281);
    v.flag(282);
    for (int code : {283, 280, 287})
        v.rawChar(code);
    v.flag(288);
    for (int code : {284, 285, 286, 77})
        v.rawChar(code);
    // DIMUNIT, the older form of DIMLUNIT: the same numbers for the units both know.
    v.bitShort(277);
    for (int code : {275, 271, 272, 273, 274})
        v.bitShort(code);
    for (int code : {40, 41, 42, 43, 44, 45, 46, 47, 48, 140, 141, 142, 143, 144, 145, 146, 147})
        v.bitDouble(code);
    for (int code : {3, 4, 5, 6, 7})
        v.text(code);
    for (int code : {176, 177, 178})
        v.bitShort(code);
}

void readR2000Variables(ObjectFrame& f, VariableReader& v) {
    v.text(3);
    v.text(4);
    for (int code : {40, 41, 42, 43, 44, 45, 46, 47, 48})
        v.bitDouble(code);
    if (f.version >= DwgVersion::R2007) {
        v.bitDouble(49);
        v.bitDouble(50);
        v.bitShort(69);
        v.color(70);
    }
    for (int code : {71, 72, 73, 74, 75, 76})
        v.flag(code);
    for (int code : {77, 78, 79})
        v.bitShort(code);
    if (f.version >= DwgVersion::R2007)
        v.bitShort(90);
    for (int code : {140, 141, 142, 143, 144, 145, 146, 147, 148})
        v.bitDouble(code);
    v.flag(170);
    v.bitShort(171);
    for (int code : {172, 173, 174, 175})
        v.flag(code);
    for (int code : {176, 177, 178})
        v.color(code);
    for (int code : {179, 271, 272, 273, 274, 275, 276, 277, 278, 279, 280})
        v.bitShort(code);
    v.flag(281);
    v.flag(282);
    for (int code : {283, 284, 285, 286})
        v.bitShort(code);
    v.flag(288);
    v.bitShort(289);
}

} // namespace

DimStyleRecord parseDimStyle(ObjectFrame& f, const TextDecoder& decode) {
    readObjectPreamble(f);
    DimStyleRecord record;
    record.name = readRecordName(f, decode);
    VariableReader v(f, decode, record);
    if (f.version >= DwgVersion::R2000)
        readR2000Variables(f, v);
    else
        readR13Variables(v);
    // The rest (fixed lengths, text direction, line weights) is not drawn with; the handles
    // follow in their own stream.
    f.refs.handle(); // external reference block
    v.handle(340);
    if (f.version >= DwgVersion::R2000) {
        for (int code : {341, 342, 343, 344}) // the leader's arrowhead, then the dimension's
            v.handle(code);
    }
    return record;
}

} // namespace vexor::cad::dwg
