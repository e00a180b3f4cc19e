#include "ui/menu_model.h"

#include <algorithm>
#include <array>

namespace {

const std::string kSubmenuMarker = "[...]";

MenuItem makeChoiceItem(const std::string& label, std::vector<std::string> choices, int selected,
                        std::string unmatchedValue = {})
{
    MenuItem item;
    item.text = label;
    item.choices = std::move(choices);
    item.selected = selected;
    if (selected < 0) {
        item.unmatchedValue = std::move(unmatchedValue);
    }
    return item;
}

struct OrientationChoice {
    const char* name;
    int degrees;
};
constexpr std::array<OrientationChoice, 4> kOrientations = {{
    {"Normal", 0},
    {"Inverted", 180},
    {"Rotate Right", 90},
    {"Rotate Left", -90},
}};

const MenuItem* findItem(const Menu& menu, const std::string& label)
{
    for (const MenuItem& item : menu) {
        if (item.text == label) {
            return &item;
        }
    }
    return nullptr;
}

// Each writer below leaves its setting alone when the entry is missing or has no selection.
void writeYesNo(const Menu& menu, const std::string& label, int& setting)
{
    const MenuItem* item = findItem(menu, label);
    if (const std::string* choice = item ? item->selectedChoice() : nullptr) {
        setting = *choice == "Yes" ? 1 : 0;
    }
}

template <typename Int>
void writeCount(const Menu& menu, const std::string& label, Int& setting)
{
    const MenuItem* item = findItem(menu, label);
    if (item && item->selectedChoice()) {
        setting = static_cast<Int>(item->selected);
    }
}

void writeSize(const Menu& menu, const std::string& label, int& setting)
{
    const MenuItem* item = findItem(menu, label);
    if (item && item->selectedChoice()) {
        setting = 8 + 2 * item->selected;
    }
}

void writeFont(const Menu& menu, const std::string& label, std::string& setting)
{
    const MenuItem* item = findItem(menu, label);
    if (const std::string* choice = item ? item->selectedChoice() : nullptr) {
        setting = *choice;
    }
}

}  // namespace

const std::string& MenuItem::shownValue() const
{
    if (hasSubmenu()) {
        return kSubmenuMarker;
    }
    if (const std::string* choice = selectedChoice()) {
        return *choice;
    }
    return unmatchedValue;
}

const std::string* MenuItem::selectedChoice() const
{
    if (selected < 0 || selected >= static_cast<int>(choices.size())) {
        return nullptr;
    }
    return &choices[static_cast<size_t>(selected)];
}

void MenuItem::selectNext()
{
    if (choices.empty()) {
        return;
    }
    const int count = static_cast<int>(choices.size());
    selected = (selected < 0 || selected >= count - 1) ? 0 : selected + 1;
}

void MenuItem::selectPrevious()
{
    if (choices.empty()) {
        return;
    }
    const int count = static_cast<int>(choices.size());
    selected = (selected <= 0 || selected >= count) ? count - 1 : selected - 1;
}

MenuItem makeYesNoItem(const std::string& label, int value)
{
    return makeChoiceItem(label, {"Yes", "No"}, value != 0 ? 0 : 1);
}

MenuItem makeCountItem(const std::string& label, int value)
{
    std::vector<std::string> choices;
    for (int i = 0; i <= 8; ++i) {
        choices.push_back(std::to_string(i));
    }
    return makeChoiceItem(label, std::move(choices), std::clamp(value, 0, 8));
}

MenuItem makeSizeItem(const std::string& label, int value)
{
    std::vector<std::string> choices;
    for (int size = 8; size <= 36; size += 2) {
        choices.push_back(std::to_string(size));
    }
    int position = value / 2 - 4;  // C++ division truncates toward zero, as required
    if (position < 0) {
        position = 0;
    }
    if (position >= static_cast<int>(choices.size())) {
        position = -1;
    }
    return makeChoiceItem(label, std::move(choices), position, std::to_string(value));
}

MenuItem makeFontItem(const std::string& label, const std::string& face,
                      const std::vector<std::string>& fontNames)
{
    int selected = -1;
    for (size_t i = 0; i < fontNames.size(); ++i) {
        if (fontNames[i] == face) {
            selected = static_cast<int>(i);  // the last equal name wins
        }
    }
    return makeChoiceItem(label, fontNames, selected, face);
}

void sortFontNames(std::vector<std::string>& names)
{
    // std::string compares through char_traits<char>, whose order is that of unsigned char.
    std::stable_sort(names.begin(), names.end());
}

Menu buildOptionsMenu(const LauncherSettings& s, const std::vector<std::string>& fontNames,
                      const JukeboxHooks& jukebox)
{
    Menu menu;
    menu.push_back(makeChoiceItem("Menu Type", {"List View", "Image Preview"},
                                  s.MenuType == kMenuTypeListView ? 0 : 1));
    menu.push_back(makeFontItem("Main Window Font", s.Fontface, fontNames));
    menu.push_back(makeSizeItem("Main Window Font Size", s.Fontsize));
    menu.push_back(makeFontItem("Status Bar Font", s.StatusBarFontFace, fontNames));
    menu.push_back(makeSizeItem("Status Bar Font Size", s.StatusBarFontSize));
    menu.push_back(makeSizeItem("Menu Font Size", s.MenuFontSize));
    menu.push_back(makeYesNoItem("Display Missing Games", s.DisplayMissingRoms));
    menu.push_back(makeYesNoItem("Display Vertical Games", s.DisplayVertical));
    menu.push_back(makeYesNoItem("Display Horizontal Games", s.DisplayHorizontal));
    menu.push_back(makeYesNoItem("Display Clones", s.DisplayClones));
    menu.push_back(makeYesNoItem("Display NeoGeo Games", s.DisplayNeoGeo));
    menu.push_back(makeYesNoItem("Display Non-NeoGeo Games", s.DisplayNonNeoGeo));
    menu.push_back(makeYesNoItem("Display Vector Games", s.DisplayVector));
    menu.push_back(makeYesNoItem("Display Raster Games", s.DisplayRaster));
    menu.push_back(makeCountItem("Display Minimum Players", s.MinPlayers));
    menu.push_back(makeCountItem("Display Maximum Players", s.MaxPlayers));
    menu.push_back(makeCountItem("Display Minimum Buttons", s.MinButtons));
    menu.push_back(makeCountItem("Display Maximum Buttons", s.MaxButtons));
    menu.push_back(makeCountItem("Display Minimum Coin Slots", s.MinCoins));
    menu.push_back(makeCountItem("Display Maximum Coin Slots", s.MaxCoins));
    menu.push_back(makeYesNoItem("Show Status Bar", s.ShowStatusBar));
    menu.push_back(makeYesNoItem("Show Music Status Bar", s.ShowMusicStatusBar));
    menu.push_back(makeChoiceItem("Preview Pictures", {"Screen Shots", "Flyers"},
                                  s.PreviewPictures == kPreviewScreenShots ? 0 : 1));

    std::vector<std::string> orientationNames;
    int orientationSelected = -1;
    for (const OrientationChoice& o : kOrientations) {
        if (o.degrees == s.Orientation) {
            orientationSelected = static_cast<int>(orientationNames.size());
        }
        orientationNames.emplace_back(o.name);
    }
    menu.push_back(makeChoiceItem("Screen Orientation", std::move(orientationNames),
                                  orientationSelected, std::to_string(s.Orientation)));

    MenuItem music;
    music.text = kMusicJukeboxLabel;
    const bool playing = jukebox.isMusicPlaying && jukebox.isMusicPlaying();
    music.submenu.push_back(makeYesNoItem("Playing", playing ? 1 : 0));
    music.submenu.push_back(makeYesNoItem("Play At Startup", s.MusicPlayAtStartup));
    music.submenu.push_back(makeYesNoItem("Random Play", s.MusicRandomPlay));
    music.submenu.push_back(makeYesNoItem("Stop When Playing Game", s.MusicStopDuringGame));
    music.submenu.push_back(makeYesNoItem("Repeat Song", s.MusicRepeatSong));
    music.submenu.push_back(makeYesNoItem("Repeat Playlist", s.MusicRepeatPlaylist));
    menu.push_back(std::move(music));
    return menu;
}

void applyOptionsMenu(const Menu& menu, LauncherSettings& s, const JukeboxHooks& jukebox)
{
    if (const MenuItem* item = findItem(menu, "Menu Type"); item && item->selectedChoice()) {
        s.MenuType = item->selected == 0 ? kMenuTypeListView : kMenuTypeImageBrowser;
    }
    writeFont(menu, "Main Window Font", s.Fontface);
    writeSize(menu, "Main Window Font Size", s.Fontsize);
    writeFont(menu, "Status Bar Font", s.StatusBarFontFace);
    writeSize(menu, "Status Bar Font Size", s.StatusBarFontSize);
    writeSize(menu, "Menu Font Size", s.MenuFontSize);
    writeYesNo(menu, "Display Missing Games", s.DisplayMissingRoms);
    writeYesNo(menu, "Display Vertical Games", s.DisplayVertical);
    writeYesNo(menu, "Display Horizontal Games", s.DisplayHorizontal);
    writeYesNo(menu, "Display Clones", s.DisplayClones);
    writeYesNo(menu, "Display NeoGeo Games", s.DisplayNeoGeo);
    writeYesNo(menu, "Display Non-NeoGeo Games", s.DisplayNonNeoGeo);
    writeYesNo(menu, "Display Vector Games", s.DisplayVector);
    writeYesNo(menu, "Display Raster Games", s.DisplayRaster);
    writeCount(menu, "Display Minimum Players", s.MinPlayers);
    writeCount(menu, "Display Maximum Players", s.MaxPlayers);
    writeCount(menu, "Display Minimum Buttons", s.MinButtons);
    writeCount(menu, "Display Maximum Buttons", s.MaxButtons);
    writeCount(menu, "Display Minimum Coin Slots", s.MinCoins);
    writeCount(menu, "Display Maximum Coin Slots", s.MaxCoins);
    writeYesNo(menu, "Show Status Bar", s.ShowStatusBar);
    writeYesNo(menu, "Show Music Status Bar", s.ShowMusicStatusBar);
    if (const MenuItem* item = findItem(menu, "Preview Pictures"); item && item->selectedChoice()) {
        s.PreviewPictures = item->selected == 0 ? kPreviewScreenShots : kPreviewFlyers;
    }
    if (const MenuItem* item = findItem(menu, "Screen Orientation")) {
        const int position = item->selectedChoice() ? item->selected : -1;
        if (position >= 0 && position < static_cast<int>(kOrientations.size())) {
            s.Orientation = kOrientations[static_cast<size_t>(position)].degrees;
            s.CurrentOrientation = s.Orientation;
        }
    }

    const MenuItem* music = findItem(menu, kMusicJukeboxLabel);
    if (music == nullptr) {
        return;
    }
    const Menu& sub = music->submenu;
    if (const MenuItem* item = findItem(sub, "Playing")) {
        if (const std::string* choice = item->selectedChoice()) {
            const auto& hook = *choice == "Yes" ? jukebox.playMusic : jukebox.stopMusic;
            if (hook) {
                hook();
            }
        }
    }
    writeYesNo(sub, "Play At Startup", s.MusicPlayAtStartup);
    writeYesNo(sub, "Random Play", s.MusicRandomPlay);
    writeYesNo(sub, "Stop When Playing Game", s.MusicStopDuringGame);
    writeYesNo(sub, "Repeat Song", s.MusicRepeatSong);
    writeYesNo(sub, "Repeat Playlist", s.MusicRepeatPlaylist);
}
