#include "platform/profile.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "config/temp_folder.h"
#include "platform/files.h"

namespace fs = std::filesystem;

TEST(ProfileInt, ConvertsLikeWindows)
{
    // clang-format off
    const std::pair<const char*, int> cases[] = {
        {"+1", 1}, {"-1", -1}, {" \t42", 42}, {"42A94967297", 42}, {"abc", 0}, {"", 0},
        {"4294967297", 1}, {"-4294967297", -1}, {"2147483648", INT32_MIN}, {"0x1F", 31},
        {"0X1F", 0}, {"0o17", 15}, {"0b101", 5}, {"0x", 0}, {"- 5", 0}, {"12 34", 12}};
    // clang-format on
    for (const auto& [text, expected] : cases) EXPECT_EQ(parseProfileInt(text), expected) << text;
}

TEST(ProfileFile, ReadsAWindowsWrittenFile)
{
    const std::string body =
        "; comment=ignored|[ Settings ]|  Fontface  =  \"Comic Sans\"  |FONTSIZE=20|fontsize=30|"
        ";Fontcolor=0x0000FF|Empty=|Quoted=''|Single='x'|Mixed=\"x'|NoEquals|"
        "Path = c:\\roms = old|[Other] trailing words|Fontface=Other|[settings]|Late=1";
    // clang-format off
    const std::tuple<const char*, const char*, std::optional<std::string>> cases[] = {
        {"settings", "fontface", "Comic Sans"}, {" Settings ", " Fontsize ", "20"},
        {"Settings", "Fontcolor", std::nullopt}, {"Settings", "Empty", ""},
        {"Settings", "Quoted", ""},              {"Settings", "Single", "x"},
        {"Settings", "Mixed", "\"x'"},           {"Settings", "NoEquals", std::nullopt},
        {"Settings", "Path", "c:\\roms = old"}, {"Settings", "Late", std::nullopt},
        {"OTHER", "fontface", "Other"}};
    // clang-format on
    for (const std::string end : {"\r\n", "\n", "\r"}) {
        std::string text = "\xEF\xBB\xBF" + body + end;
        for (size_t at; (at = text.find('|')) != std::string::npos;) text.replace(at, 1, end);
        const ProfileFile file = ProfileFile::fromText(text);
        for (const auto& [section, key, expected] : cases) {
            EXPECT_EQ(file.find(section, key), expected) << key << " end " << end.size();
        }
    }
}

TEST(ProfileFile, StringAndIntContract)
{
    const std::string longValue(300, 'v');
    const ProfileFile file = ProfileFile::fromText(
        "[S]\nlong=" + longValue + "\nutf8=" + std::string(253, 'x') + "\xC3\xA9\nempty=\n" +
        "utf8_4=" + std::string(251, 'x') + "\xF0\x9F\x98\x80\n" +
        std::string("nul=ab\0cd\nquoted=\"12\"\n", 22));
    EXPECT_EQ(file.getString("S", "long", ""), std::string(254, 'v'));
    EXPECT_EQ(file.getString("S", "long", "", 5), "vvvv");
    EXPECT_EQ(file.getString("S", "utf8", ""), std::string(253, 'x'));  // é not cut in half
    EXPECT_EQ(file.getString("S", "utf8_4", ""), std::string(251, 'x'));  // nor a 4-byte one
    EXPECT_EQ(file.getString("S", "nul", ""), "ab");
    EXPECT_EQ(file.getString("S", "missing", " a b  "), " a b");
    EXPECT_EQ(file.getString("S", "missing", longValue), std::string(254, 'v'));
    EXPECT_EQ(file.getString("S", "empty", "def"), "");
    EXPECT_EQ(file.getInt("S", "missing", 77), 77);
    EXPECT_EQ(file.getInt("S", "empty", 77), 77);
    EXPECT_EQ(file.getInt("S", "quoted", 77), 12);
}

TEST(ProfileFile, WritesKeepEveryOtherLineByteForByte)
{
    ProfileFile file = ProfileFile::fromText(
        "\xEF\xBB\xBF; settings\r\n\r\n[Settings]\r\nFontsize = 18   \r\nFontface=Arial\r\n\r\n"
        "; the sounds\r\n[Sounds]\r\nStartup=a.wav\r\n[RomOptions]\r\nMinPlayers=1\r\n"
        "minplayers=2\r\nDisplayClones=1");
    file.setString("settings", "FONTSIZE", "24");
    file.setString("Settings", "MenuType", "ListView");
    file.setString("RomOptions", "MinPlayers", std::nullopt);
    file.setString("System", "SelectedGame", "pacman\r\n[Injected]\r\nkey=1");
    file.setString("Sounds", "Startup", "");
    file.setString("Nowhere", "Key", std::nullopt);
    EXPECT_EQ(file.text(),
              "\xEF\xBB\xBF; settings\r\n\r\n[Settings]\r\nFontsize = 24\r\nFontface=Arial\r\n"
              "MenuType=ListView\r\n\r\n; the sounds\r\n[Sounds]\r\nStartup=\r\n[RomOptions]\r\n"
              "DisplayClones=1\r\n[System]\r\nSelectedGame=pacman\r\n");

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
    for (const char* key : {"name", "count", "name"}) {
        ASSERT_TRUE(writePrivateProfileString("S", key, key[0] == 'c' ? "12" : "x", path));
    }
    ASSERT_TRUE(writePrivateProfileString("s", "NAME", std::nullopt, path));
    EXPECT_EQ(getPrivateProfileInt("S", "COUNT", 5, path), 12);
    EXPECT_EQ(readFile(path), "[S]\ncount=12\n");
}

TEST(ReplaceFileContents, KeepsThePermissionsAndRefusesWhatIsNoFile)
{
    TempFolder folder;
    const std::string plain = folder.write("plain.ini", "old");
    const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(plain, mode);
    std::string error;
    ASSERT_TRUE(replaceFileContents(plain, "new", &error)) << error;
    EXPECT_EQ(fs::status(plain).permissions() & fs::perms::all, mode);

    fs::create_directory(folder.path("dir.ini"));
    fs::create_symlink("loop.ini", folder.path("loop.ini"));
    for (const std::string& path : {folder.path("missing/a.ini"), plain + "/a.ini",
                                    folder.path("dir.ini"), folder.path("loop.ini")}) {
        EXPECT_FALSE(replaceFileContents(path, "n", &error));
        EXPECT_EQ(error.rfind(path + ": ", 0), 0u) << error;
    }
    EXPECT_EQ(readFile(plain), "new");
    EXPECT_EQ(folder.entries(), 3) << "no temporary file may be left";
}
