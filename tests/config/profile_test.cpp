#include "platform/profile.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "config/temp_folder.h"

namespace fs = std::filesystem;

TEST(ProfileInt, ConvertsLikeWindows)
{
    const struct {
        const char* text;
        int expected;
    } cases[] = {
        {"1", 1},
        {"+1", 1},
        {"-1", -1},
        {"  42", 42},
        {"\t7", 7},
        {"42A94967297", 42},
        {"B4294967297", 0},
        {"abc", 0},
        {"", 0},
        {"4294967296", 0},
        {"4294967297", 1},
        {"-4294967297", -1},
        {"2147483648", INT32_MIN},
        {"0x1F", 31},
        {"0X1F", 0},
        {"0o17", 15},
        {"0b101", 5},
        {"0x", 0},
        {"- 5", 0},
        {"12 34", 12},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseProfileInt(c.text), c.expected) << '"' << c.text << '"';
    }
}

TEST(ProfileFile, ReadsAWindowsWrittenFile)
{
    const std::string body =
        "; comment=ignored|"
        "[ Settings ]|"
        "  Fontface  =  \"Comic Sans\"  |"
        "FONTSIZE=20|"
        "fontsize=30|"
        ";Fontcolor=0x0000FF|"
        "Empty=|"
        "Quoted=''|"
        "Half=\"abc|"
        "Single='x'|"
        "Mixed=\"x'|"
        "NoEquals|"
        "Path = c:\\roms = old|"
        "[Other] trailing words|"
        "Fontface=Other|"
        "[settings]|"
        "Late=1";
    const struct {
        const char* section;
        const char* key;
        std::optional<std::string> expected;
    } cases[] = {
        {"settings", "fontface", "Comic Sans"},
        {" Settings ", " Fontsize ", "20"},  // first of duplicate keys
        {"Settings", "Fontcolor", std::nullopt},
        {"Settings", ";Fontcolor", std::nullopt},
        {"Settings", "Empty", ""},
        {"Settings", "Quoted", ""},
        {"Settings", "Half", "\"abc"},
        {"Settings", "Single", "x"},
        {"Settings", "Mixed", "\"x'"},
        {"Settings", "NoEquals", std::nullopt},
        {"Settings", "Path", "c:\\roms = old"},
        {"Settings", "Late", std::nullopt},  // only the first section of a name counts
        {"OTHER", "fontface", "Other"},
        {"Missing", "Fontface", std::nullopt},
    };
    for (const std::string end : {"\r\n", "\n", "\r"}) {
        std::string text = "\xEF\xBB\xBF" + body + end;
        for (size_t at; (at = text.find('|')) != std::string::npos;) text.replace(at, 1, end);
        const ProfileFile file = ProfileFile::fromText(text);
        for (const auto& c : cases) {
            EXPECT_EQ(file.find(c.section, c.key), c.expected)
                << c.section << "/" << c.key << " with line end " << end.size();
        }
    }
}

TEST(ProfileFile, StringAndIntContract)
{
    const std::string longValue(300, 'v');
    const std::string utf8Value = std::string(253, 'x') + "\xC3\xA9";  // 255 bytes, ends in é
    const ProfileFile file =
        ProfileFile::fromText("[S]\nlong=" + longValue + "\nutf8=" + utf8Value +
                              "\nempty=\nword=abc\nquoted=\"12\"\nneg=-3\n");
    EXPECT_EQ(file.getString("S", "long", ""), std::string(254, 'v'));
    EXPECT_EQ(file.getString("S", "long", "", 5), "vvvv");
    EXPECT_EQ(file.getString("S", "long", "", 0), "");
    EXPECT_EQ(file.getString("S", "utf8", ""), std::string(253, 'x'));  // é not cut in half
    EXPECT_EQ(file.getString("S", "missing", "def  "), "def");
    EXPECT_EQ(file.getString("S", "missing", " a b "), " a b");
    EXPECT_EQ(file.getString("S", "missing", longValue), std::string(254, 'v'));
    EXPECT_EQ(file.getString("S", "empty", "def"), "");

    EXPECT_EQ(file.getInt("S", "missing", 77), 77);
    EXPECT_EQ(file.getInt("S", "empty", 77), 77);
    EXPECT_EQ(file.getInt("S", "word", 77), 0);
    EXPECT_EQ(file.getInt("S", "quoted", 77), 12);
    EXPECT_EQ(file.getInt("S", "neg", 77), -3);
}

TEST(ProfileFile, WritesKeepEveryOtherLineByteForByte)
{
    ProfileFile file = ProfileFile::fromText(
        "\xEF\xBB\xBF; Quorvane settings\r\n"
        "\r\n"
        "[Settings]\r\n"
        "Fontsize = 18   \r\n"
        "Fontface=Arial\r\n"
        "\r\n"
        "; the sounds\r\n"
        "[Sounds]\r\n"
        "Startup=a.wav\r\n"
        "[RomOptions]\r\n"
        "MinPlayers=1\r\n"
        "minplayers=2\r\n"
        "DisplayClones=1\r\n");
    file.setString("settings", "FONTSIZE", "24");
    file.setString("Settings", "MenuType", "ListView");
    file.setString("RomOptions", "MinPlayers", std::nullopt);
    file.setString("System", "SelectedGame", "pacman");
    file.setString("Sounds", "Startup", "");
    file.setString("Nowhere", "Key", std::nullopt);
    EXPECT_EQ(file.text(),
              "\xEF\xBB\xBF; Quorvane settings\r\n"
              "\r\n"
              "[Settings]\r\n"
              "Fontsize = 24\r\n"
              "Fontface=Arial\r\n"
              "MenuType=ListView\r\n"
              "\r\n"
              "; the sounds\r\n"
              "[Sounds]\r\n"
              "Startup=\r\n"
              "[RomOptions]\r\n"
              "DisplayClones=1\r\n"
              "[System]\r\n"
              "SelectedGame=pacman\r\n");
}

TEST(ProfileFile, WritesIntoEmptyAndUnterminatedFiles)
{
    ProfileFile empty;
    empty.setString("A", "k", "v");
    EXPECT_EQ(empty.text(), "[A]\nk=v\n");

    ProfileFile unterminated = ProfileFile::fromText("[A]\nx=1");
    unterminated.setString("A", "k", "v\r\n[Injected]\r\nkey=1");  // a line break ends the value
    EXPECT_EQ(unterminated.text(), "[A]\nx=1\nk=v\n");

    ProfileFile headerOnly = ProfileFile::fromText("[A]");
    headerOnly.setString("A", "k", "v");
    headerOnly.setString("B", "k", "w");
    EXPECT_EQ(headerOnly.text(), "[A]\nk=v\n[B]\nk=w\n");
}

TEST(ProfileFunctions, SingleCallsWorkOnDisk)
{
    TempFolder folder;
    const std::string path = folder.path("test.ini");

    EXPECT_TRUE(writePrivateProfileString("S", "gone", std::nullopt, path));
    EXPECT_FALSE(fs::exists(path)) << "removing from a missing file must not create it";

    ASSERT_TRUE(writePrivateProfileString("S", "name", "value", path));
    ASSERT_TRUE(writePrivateProfileString("S", "count", "12", path));
    EXPECT_EQ(getPrivateProfileString("s", "NAME", "d", path), "value");
    EXPECT_EQ(getPrivateProfileInt("S", "count", 5, path), 12);
    ASSERT_TRUE(writePrivateProfileString("S", "name", std::nullopt, path));
    EXPECT_EQ(getPrivateProfileString("S", "name", "d", path), "d");
    EXPECT_EQ(readFile(path), "[S]\ncount=12\n");
    EXPECT_EQ(getPrivateProfileString("S", "name", "d", folder.path("absent.ini")), "d");
}

TEST(ReplaceFileAtomically, KeepsPermissionsAndFollowsLinks)
{
    TempFolder folder;
    const std::string path = folder.path("a.ini");
    writeFile(path, "old");
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink(path, folder.path("link.ini"));

    std::string error;
    ASSERT_TRUE(replaceFileAtomically(folder.path("link.ini"), "new", error)) << error;
    EXPECT_TRUE(fs::is_symlink(folder.path("link.ini")));
    EXPECT_EQ(readFile(path), "new");
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.root()), fs::directory_iterator()), 2)
        << "no temporary file may be left";
}

TEST(ReplaceFileAtomically, FailureLeavesTheOldFileUntouched)
{
    TempFolder folder;
    writeFile(folder.path("plain"), "keep");
    fs::create_directory(folder.path("dir.ini"));
    for (const std::string& path :
         {folder.path("missing/a.ini"), folder.path("plain/a.ini"), folder.path("dir.ini")}) {
        std::string error;
        EXPECT_FALSE(replaceFileAtomically(path, "new", error)) << path;
        EXPECT_NE(error.find(path), std::string::npos) << error;
    }
    EXPECT_EQ(readFile(folder.path("plain")), "keep");
    EXPECT_TRUE(fs::is_directory(folder.path("dir.ini")));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.root()), fs::directory_iterator()), 2);
}
