#include "HeaderVariables.h"

#include "BitReader.h"
#include "FileHeader.h"
#include "SectionStreams.h"

namespace vexor::cad::dwg {
namespace {

// Reads the variables in their stored order. Most are read only to reach the ones the viewer
// uses; their names are given so that the order can be checked against the format.
class HeaderVariableReader {
public:
    HeaderVariableReader(SectionStreams& streams, DwgVersion v)
        : s_(streams), r_(streams.values()), v_(v) {}

    HeaderVariables read() {
        HeaderVariables out;
        Header& h = out.header;
        const bool upToR14 = v_ <= DwgVersion::R14;
        const bool fromR2000 = v_ >= DwgVersion::R2000;
        const bool fromR2004 = v_ >= DwgVersion::R2004;
        const bool fromR2007 = v_ >= DwgVersion::R2007;

        if (v_ >= DwgVersion::R2013)
            r_.bitLongLong(); // REQUIREDVERSIONS
        doubles(4);           // unknown constants
        texts(4);             // unknown texts
        longs(2);
        if (upToR14)
            shorts(1);
        if (v_ <= DwgVersion::R2000)
            handles(1); // current viewport entity header
        flags(2);       // DIMASO, DIMSHO
        if (upToR14)
            flags(1); // DIMSAV
        flags(7);     // PLINEGEN, ORTHOMODE, REGENMODE, FILLMODE, QTEXTMODE, PSLTSCALE, LIMCHECK
        if (upToR14)
            flags(1); // BLIPMODE
        if (fromR2004)
            flags(1);
        flags(4); // USRTIMER, SKPOLY, ANGDIR, SPLFRAME
        if (upToR14)
            flags(2); // ATTREQ, ATTDIA
        flags(2);     // MIRRTEXT, WORLDVIEW
        if (upToR14)
            flags(1); // WIREFRAME
        flags(3);     // TILEMODE, PLIMCHECK, VISRETAIN
        if (upToR14)
            flags(1); // DELOBJ
        flags(2);     // DISPSILH, PELLIPSE
        shorts(1);    // PROXYGRAPHICS
        if (upToR14)
            shorts(1); // DRAGMODE
        shorts(1);     // TREEDEPTH
        h.linearUnits = r_.bitShort();
        h.linearPrecision = r_.bitShort();
        shorts(2); // AUNITS, AUPREC
        if (upToR14)
            shorts(1); // OSMODE
        shorts(1);     // ATTMODE
        if (upToR14)
            shorts(1); // COORDS
        h.pointMode = r_.bitShort();
        if (upToR14)
            shorts(1); // PICKSTYLE
        if (fromR2004)
            longs(3);
        shorts(5);  // USERI1-5
        shorts(14); // SPLINESEGS ... TEXTQLTY
        h.linetypeScale = r_.bitDouble();
        doubles(6); // TEXTSIZE, TRACEWID, SKETCHINC, FILLETRAD, THICKNESS, ANGBASE
        h.pointSize = r_.bitDouble();
        doubles(1); // PLINEWID
        doubles(5); // USERR1-5
        doubles(4); // CHAMFERA-D
        doubles(3); // FACETRES, CMLSCALE, CELTSCALE
        texts(1);   // MENUNAME
        longs(4);   // TDCREATE, TDUPDATE
        if (fromR2004)
            longs(3);
        longs(4);    // TDINDWG, TDUSRTIMER
        color();     // CECOLOR
        r_.handle(); // HANDSEED, kept among the values
        handles(3);  // CLAYER, TEXTSTYLE, CELTYPE
        if (fromR2007)
            handles(1); // CMATERIAL
        handles(2);     // DIMSTYLE, CMLSTYLE
        if (fromR2000)
            doubles(1); // PSVPSCALE
        readSpace();    // paper space
        const SpaceValues model = readSpace();
        h.insBase = model.insBase;
        h.extMin = model.extMin;
        h.extMax = model.extMax;
        h.limMin = model.limMin;
        h.limMax = model.limMax;
        if (fromR2000)
            texts(2); // DIMPOST, DIMAPOST
        dimensionVariables();
        out.handles.blockControl = handle();
        out.handles.layerControl = handle();
        out.handles.styleControl = handle();
        out.handles.linetypeControl = handle();
        handles(4); // VIEW, UCS, VPORT, APPID controls
        out.handles.dimstyleControl = handle();
        if (v_ <= DwgVersion::R2000)
            handles(1); // viewport entity header control
        handles(3);     // ACAD_GROUP, ACAD_MLINESTYLE, named objects dictionaries
        if (fromR2000) {
            shorts(2);  // TSTACKALIGN, TSTACKSIZE
            texts(2);   // HYPERLINKBASE, STYLESHEET
            handles(2); // LAYOUTS, PLOTSETTINGS dictionaries
            out.handles.plotStyleNames = handle();
        }
        if (fromR2004)
            handles(2); // MATERIALS, COLORS dictionaries
        if (fromR2007)
            handles(1); // VISUALSTYLE dictionary
        if (v_ >= DwgVersion::R2013)
            handles(1);
        if (fromR2000) {
            // CELWEIGHT, ENDCAPS, JOINSTYLE, LWDISPLAY (0x200, stored inverted), XEDIT,
            // EXTNAMES, PSTYLEMODE (0x2000: colour-dependent plot styles) ... packed
            const std::int32_t packed = r_.bitLong();
            h.lineweightDisplay = (packed & 0x200) == 0;
            h.namedPlotStyles = (packed & 0x2000) == 0;
            h.insUnits = r_.bitShort();
            if (r_.bitShort() == 3) // CEPSNTYPE
                handles(1);         // CPSNID
            texts(2);               // FINGERPRINTGUID, VERSIONGUID
        }
        if (fromR2004) {
            chars(3); // SORTENTS, INDEXCTL, HIDETEXT
            h.clipFrame = r_.rawChar();
            chars(2); // DIMASSOC, HALOGAP
            shorts(2);
            chars(2);
            texts(1); // PROJECTNAME
        }
        out.handles.paperSpace = handle();
        out.handles.modelSpace = handle();
        out.handles.linetypeByLayer = handle();
        out.handles.linetypeByBlock = handle();
        out.handles.linetypeContinuous = handle();
        return out;
    }

private:
    struct SpaceValues {
        Vec3 insBase, extMin, extMax;
        Vec2 limMin, limMax;
    };

    // Paper space and model space each have these, paper space first.
    SpaceValues readSpace() {
        SpaceValues s;
        s.insBase = r_.point3();
        s.extMin = r_.point3();
        s.extMax = r_.point3();
        s.limMin = r_.rawPoint2();
        s.limMax = r_.rawPoint2();
        doubles(1); // ELEVATION
        points3(3); // UCSORG, UCSXDIR, UCSYDIR
        handles(1); // UCSNAME
        if (v_ >= DwgVersion::R2000) {
            handles(1); // UCSORTHOREF
            shorts(1);  // UCSORTHOVIEW
            handles(1); // UCSBASE
            points3(6); // UCSORGTOP ... UCSORGBACK
        }
        return s;
    }

    void dimensionVariables() {
        const bool upToR14 = v_ <= DwgVersion::R14;
        const bool fromR2000 = v_ >= DwgVersion::R2000;
        const bool fromR2007 = v_ >= DwgVersion::R2007;
        if (upToR14) {
            flags(11);  // DIMTOL, DIMLIM, DIMTIH, DIMTOH, DIMSE1, DIMSE2, DIMALT, DIMTOFL,
                        // DIMSAH, DIMTIX, DIMSOXD
            chars(2);   // DIMALTD, DIMZIN
            flags(2);   // DIMSD1, DIMSD2
            chars(3);   // DIMTOLJ, DIMJUST, DIMFIT
            flags(1);   // DIMUPT
            chars(4);   // DIMTZIN, DIMALTZ, DIMALTTZ, DIMTAD
            shorts(6);  // DIMUNIT, DIMAUNIT, DIMDEC, DIMTDEC, DIMALTU, DIMALTTD
            handles(1); // DIMTXSTY
        }
        doubles(9); // DIMSCALE, DIMASZ, DIMEXO, DIMDLI, DIMEXE, DIMRND, DIMDLE, DIMTP, DIMTM
        if (fromR2007) {
            doubles(2); // DIMFXL, DIMJOGANG
            shorts(1);  // DIMTFILL
            color();    // DIMTFILLCLR
        }
        if (fromR2000) {
            flags(6);  // DIMTOL, DIMLIM, DIMTIH, DIMTOH, DIMSE1, DIMSE2
            shorts(3); // DIMTAD, DIMZIN, DIMAZIN
        }
        if (fromR2007)
            shorts(1); // DIMARCSYM
        doubles(8);    // DIMTXT, DIMCEN, DIMTSZ, DIMALTF, DIMLFAC, DIMTVP, DIMTFAC, DIMGAP
        if (upToR14)
            texts(5); // DIMPOST, DIMAPOST, DIMBLK, DIMBLK1, DIMBLK2
        if (fromR2000) {
            doubles(1); // DIMALTRND
            flags(1);   // DIMALT
            shorts(1);  // DIMALTD
            flags(4);   // DIMTOFL, DIMSAH, DIMTIX, DIMSOXD
        }
        for (int i = 0; i < 3; ++i) // DIMCLRD, DIMCLRE, DIMCLRT
            color();
        if (fromR2000) {
            shorts(11); // DIMADEC ... DIMJUST
            flags(2);   // DIMSD1, DIMSD2
            shorts(4);  // DIMTOLJ, DIMTZIN, DIMALTZ, DIMALTTZ
            flags(1);   // DIMUPT
            shorts(1);  // DIMATFIT
        }
        if (fromR2007)
            flags(1); // DIMFXLON
        if (v_ >= DwgVersion::R2010) {
            flags(1);
            doubles(1);
            texts(1);
            doubles(1);
            texts(1);
        }
        if (fromR2000)
            handles(5); // DIMTXSTY, DIMLDRBLK, DIMBLK, DIMBLK1, DIMBLK2
        if (fromR2007)
            handles(3); // DIMLTYPE, DIMLTEX1, DIMLTEX2
        if (fromR2000)
            shorts(2); // DIMLWD, DIMLWE
    }

    // CMC: an index, from R2004 with a packed RGB value and optional names.
    void color() {
        r_.bitShort();
        if (v_ < DwgVersion::R2004)
            return;
        r_.bitLong();
        const std::uint8_t names = r_.rawChar();
        texts((names & 1) + ((names >> 1) & 1));
    }

    std::uint64_t handle() { return s_.handles().handle().value; }
    void flags(int n) { r_.bits(n); }
    void chars(int n) {
        for (int i = 0; i < n; ++i)
            r_.rawChar();
    }
    void shorts(int n) {
        for (int i = 0; i < n; ++i)
            r_.bitShort();
    }
    void longs(int n) {
        for (int i = 0; i < n; ++i)
            r_.bitLong();
    }
    void doubles(int n) {
        for (int i = 0; i < n; ++i)
            r_.bitDouble();
    }
    void points3(int n) {
        for (int i = 0; i < n; ++i)
            r_.point3();
    }
    void texts(int n) {
        for (int i = 0; i < n; ++i)
            s_.text();
    }
    void handles(int n) {
        for (int i = 0; i < n; ++i)
            s_.handles().handle();
    }

    SectionStreams& s_;
    BitReader& r_;
    DwgVersion v_;
};

} // namespace

HeaderVariables parseHeaderVariables(std::span<const std::uint8_t> section, DwgVersion version,
                                     int maintenanceRelease, std::uint64_t absoluteOffset) {
    const auto data = sentinelSection(section, kHeaderVariablesSentinel, absoluteOffset, version,
                                      maintenanceRelease);
    SectionStreams streams(data, version, absoluteOffset + (data.data() - section.data()));
    return HeaderVariableReader(streams, version).read();
}

} // namespace vexor::cad::dwg
