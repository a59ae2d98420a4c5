// The installed program as the desktop sees it: every file in its place, a valid desktop
// entry, the DGN type recognised by name and by content, and the Debian package's contents.
#include "support/Corpus.h"

#include <QProcess>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <set>

namespace {

namespace fs = std::filesystem;

struct Command {
    int exitCode = -1;
    QByteArray out, err;
};

Command run(const QString& program, const QStringList& args, int timeoutMs = 120000) {
    QProcess p;
    p.start(program, args);
    Command c;
    if (!p.waitForFinished(timeoutMs))
        return c;
    c.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    c.out = p.readAllStandardOutput();
    c.err = p.readAllStandardError();
    return c;
}

// Every file an installation holds, relative to its prefix.
const std::set<std::string> kInstalledFiles = {
    "bin/vexor",
    "bin/vexor-render",
    "bin/vexor-thumbnailer",
    "share/vexor/Dadizer.KVF",
    "share/applications/vexor.desktop",
    "share/mime/packages/vexor-dgn.xml",
    "share/thumbnailers/vexor.thumbnailer",
    "share/icons/hicolor/scalable/apps/vexor.svg",
    "share/icons/hicolor/16x16/apps/vexor.png",
    "share/icons/hicolor/22x22/apps/vexor.png",
    "share/icons/hicolor/24x24/apps/vexor.png",
    "share/icons/hicolor/32x32/apps/vexor.png",
    "share/icons/hicolor/48x48/apps/vexor.png",
    "share/icons/hicolor/64x64/apps/vexor.png",
    "share/icons/hicolor/128x128/apps/vexor.png",
    "share/icons/hicolor/256x256/apps/vexor.png",
    "share/man/man1/vexor.1",
    "share/man/man1/vexor-render.1",
    "share/man/man1/vexor-thumbnailer.1",
};

class Install : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        prefix_ = new QTemporaryDir;
        installed_ =
            run("cmake", {"--install", QString::fromStdString(vexor::test::binaryDir().string()),
                          "--prefix", prefix_->path()});
    }
    static void TearDownTestSuite() { delete prefix_; }

    fs::path prefix() const { return prefix_->path().toStdString(); }

    static QTemporaryDir* prefix_;
    static Command installed_;
};

QTemporaryDir* Install::prefix_ = nullptr;
Command Install::installed_;

} // namespace

TEST_F(Install, PutsEveryFileInItsPlaceAndNothingElse) {
    ASSERT_EQ(installed_.exitCode, 0) << installed_.err.constData();
    std::set<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(prefix()))
        if (entry.is_regular_file())
            found.insert(fs::relative(entry.path(), prefix()).string());
    EXPECT_EQ(found, kInstalledFiles);
    for (const char* program : {"bin/vexor", "bin/vexor-render", "bin/vexor-thumbnailer"}) {
        const Command version =
            run(QString::fromStdString((prefix() / program).string()), {"--version"});
        EXPECT_EQ(version.exitCode, 0) << program;
        EXPECT_TRUE(version.out.contains("1.0.0")) << program;
    }
}

TEST_F(Install, TheDesktopEntryValidatesAndOpensItsTypes) {
    ASSERT_EQ(installed_.exitCode, 0);
    const fs::path entry = prefix() / "share/applications/vexor.desktop";
    const Command validate = run("desktop-file-validate", {QString::fromStdString(entry.string())});
    ASSERT_NE(validate.exitCode, -1) << "desktop-file-validate (desktop-file-utils) is missing";
    EXPECT_EQ(validate.exitCode, 0) << validate.out.constData() << validate.err.constData();
    EXPECT_TRUE(validate.out.isEmpty()) << "no warnings: " << validate.out.constData();
    std::ifstream in(entry);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("\nExec=vexor %f\n"), std::string::npos);
    EXPECT_NE(text.find("\nMimeType=image/vnd.dwg;image/vnd.dxf;image/x-dgn;\n"),
              std::string::npos);
}

// In a test home folder, the MIME database built with our definition names a DGN file by its
// extension and, renamed, by its content, as the file manager (GIO) sees it.
TEST_F(Install, DgnFilesAreRecognisedByNameAndByContent) {
    VEXOR_REQUIRE_CORPUS();
    ASSERT_EQ(installed_.exitCode, 0);
    QTemporaryDir home;
    const fs::path dataHome = fs::path(home.path().toStdString()) / ".local/share";
    fs::create_directories(dataHome / "mime/packages");
    fs::copy_file(prefix() / "share/mime/packages/vexor-dgn.xml",
                  dataHome / "mime/packages/vexor-dgn.xml");
    const Command update =
        run("update-mime-database", {QString::fromStdString((dataHome / "mime").string())});
    ASSERT_EQ(update.exitCode, 0) << update.err.constData();
    const auto contentType = [&](const fs::path& file) {
        QProcess gio;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", QString::fromStdString(dataHome.string()));
        env.insert("XDG_DATA_DIRS", "/usr/local/share:/usr/share");
        gio.setProcessEnvironment(env);
        gio.start("gio",
                  {"info", "-a", "standard::content-type", QString::fromStdString(file.string())});
        gio.waitForFinished(60000);
        const QString out = QString::fromUtf8(gio.readAllStandardOutput());
        const qsizetype at = out.indexOf("standard::content-type: ");
        return at < 0 ? QString("(gio failed)") : out.mid(at + 24).section('\n', 0, 0).trimmed();
    };

    const fs::path scratch = fs::path(home.path().toStdString());
    for (const char* sample : {"dgn/v7/gdal__smalltest.dgn", "dgn/v7/gdal__seed_3d.dgn"}) {
        const fs::path file = *vexor::test::corpusDir() / sample;
        EXPECT_EQ(contentType(file), "image/x-dgn") << sample;
        const fs::path renamed = scratch / (file.stem().string() + ".bin");
        fs::copy_file(file, renamed);
        EXPECT_EQ(contentType(renamed), "image/x-dgn") << sample << " renamed";
    }
    // A version 8 file by its name; its directory lies beyond the 4 KiB desktops look at.
    const fs::path v8 = *vexor::test::corpusDir() / "dgn/v8/gdal__test_dgnv8.dgn";
    EXPECT_EQ(contentType(v8), "image/x-dgn");
    // A version 8 file whose directory comes early: the OLE header, then the directory entry.
    const fs::path early = scratch / "early-v8.bin";
    {
        std::string bytes("\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1", 8);
        bytes.resize(1024, '\0');
        const char16_t name[] = u"Dgn~H";
        bytes.append(reinterpret_cast<const char*>(name), 10);
        bytes.resize(2048, '\0');
        std::ofstream(early, std::ios::binary) << bytes;
    }
    EXPECT_EQ(contentType(early), "image/x-dgn");
    // DWG and DXF stay the desktop's own types; another OLE file is not taken for a DGN.
    const fs::path dwg = scratch / "plan.dwg", ole = scratch / "letter.bin";
    std::ofstream(dwg) << "AC1015";
    std::ofstream(ole, std::ios::binary)
        << std::string("\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1", 8) << std::string(2040, '\0');
    EXPECT_EQ(contentType(dwg), "image/vnd.dwg");
    EXPECT_NE(contentType(ole), "image/x-dgn");
}

// The package CPack builds from the same install rules (shlibdeps and stripping included).
TEST_F(Install, TheDebianPackageHoldsTheFilesAndItsDependencies) {
    ASSERT_EQ(installed_.exitCode, 0);
    QTemporaryDir out;
    const Command cpack =
        run("cpack",
            {"--config",
             QString::fromStdString((vexor::test::binaryDir() / "CPackConfig.cmake").string()),
             "-B", out.path()},
            600000);
    ASSERT_EQ(cpack.exitCode, 0) << cpack.out.constData() << cpack.err.constData();
    fs::path deb;
    for (const auto& entry : fs::directory_iterator(out.path().toStdString()))
        if (entry.path().extension() == ".deb")
            deb = entry.path();
    ASSERT_FALSE(deb.empty());
    const Command contents = run("dpkg-deb", {"--contents", QString::fromStdString(deb.string())});
    ASSERT_EQ(contents.exitCode, 0);
    for (const std::string& file : kInstalledFiles)
        EXPECT_TRUE(contents.out.contains(("./usr/" + file + "\n").c_str())) << file;
    const Command depends =
        run("dpkg-deb", {"--field", QString::fromStdString(deb.string()), "Depends"});
    for (const char* package : {"libqt6widgets6", "libqt6svg6", "libsqlcipher", "qt6-qpa-plugins",
                                "fonts-dejavu-core", "libc6"})
        EXPECT_TRUE(depends.out.contains(package)) << package << " in " << depends.out.constData();
}
