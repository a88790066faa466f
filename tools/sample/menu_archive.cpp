#include "tools/sample/menu_archive.h"

#include <set>
#include <stdexcept>
#include <utility>

#include "engine/archive.h"
#include "tools/sample/ogg_media_writer.h"
#include "tools/sample/menu_pictures.h"
#include "tools/sample/sample_archive.h"
#include "tools/sample/sample_media.h"

namespace {

constexpr uint8_t kRawType = 0;
constexpr auto kPngType = static_cast<uint8_t>(RES_TYPE_PNG);
constexpr auto kStubType = static_cast<uint8_t>(RES_TYPE_IMAGE_STUB);
constexpr auto kPredecodedType = static_cast<uint8_t>(RES_TYPE_SOUND_PREDECODED);
constexpr auto kStreamedType = static_cast<uint8_t>(RES_TYPE_SOUND_STREAMED);

constexpr int32_t kCursorFrames = 4;
constexpr int32_t kMovieCount = 4;
constexpr int32_t kIconCount = 256;

ArchiveEntrySpec Picture(std::vector<uint8_t> png) {
    return PlainEntry(kPngType, std::move(png));
}

ArchiveEntrySpec Text(const std::u16string& text) {
    return PlainEntry(kRawType, Utf16BytesOf(text));
}

// Fills a group that still holds only its placeholder.
void PutGroup(CatalogueBuilder* catalogue, uint32_t group, std::vector<ArchiveEntrySpec> items) {
    if (catalogue->ItemCount(group) != 1 || items.empty())
        throw std::logic_error("a front-end group is filled twice or with nothing");
    catalogue->SetItem(group, 0, std::move(items[0]));
    for (size_t i = 1; i < items.size(); ++i)
        catalogue->AddItem(group, std::move(items[i]));
}

void PutTexts(CatalogueBuilder* catalogue, uint32_t group,
              const std::vector<std::u16string>& texts) {
    std::vector<ArchiveEntrySpec> items;
    for (const std::u16string& text : texts)
        items.push_back(Text(text));
    PutGroup(catalogue, group, std::move(items));
}

std::vector<ArchiveEntrySpec> Pictures(const std::vector<std::vector<uint8_t>>& pngs) {
    std::vector<ArchiveEntrySpec> items;
    for (const std::vector<uint8_t>& png : pngs)
        items.push_back(Picture(png));
    return items;
}

// ---- texts ------------------------------------------------------------------------------
// Lines break at CR. Every character here needs a glyph in the sample
// fonts (the font test checks them all).

void AddDialogTexts(CatalogueBuilder* c) {
    PutTexts(c, SAMPLE_GROUP_TEXT_PAGE,
             {u"Walk with the Left and Right arrow keys and jump with the Up arrow. Press "
              u"Space to throw at an enemy.\r\r"
              u"Collect the coins on the way. When a level ends, the tally adds a bonus for "
              u"the coins you took and the enemies you beat, and takes off points for every "
              u"hit.\r\r"
              u"Press Escape to pause the game. From the pause you can go back to the menu.\r\r"
              u"The map shows the places you have reached: choose one to go on from there, or "
              u"start again from the first place.",
              u"How to Play", u"Close"});
    PutTexts(c, SAMPLE_GROUP_HISCORE_TEXTS, {u"Hiscores", u"Hiscores", u"Close"});
    PutTexts(c, SAMPLE_GROUP_OPTIONS_TEXTS,
             {u"Options", u"Sound Effects", u"Music", u"Difficulty", u"OK", u"Easy", u"Normal",
              u"Hard"});
    PutTexts(c, SAMPLE_GROUP_NAME_ENTRY_TEXTS,
             {u"Type the name of the new player.", u"New Player", u"OK", u"Cancel"});
    PutTexts(c, SAMPLE_GROUP_USER_SELECT_TEXTS,
             {u"Players", u"Choose a Player", u"Delete", u"New Player", u"Play", u"Quit",
              u"- New Player -"});
    PutTexts(c, SAMPLE_GROUP_DELETE_TEXTS,
             {u"Do you want to delete %s?\rThe scores of this player will be lost.",
              u"Delete Player", u"Delete", u"Keep"});
    PutTexts(c, SAMPLE_GROUP_NAME_TAKEN_TEXTS,
             {u"There is a player called %s already.\rPlease choose another name.", u"Name Taken",
              u"OK"});
    PutTexts(c, SAMPLE_GROUP_LEVEL_CHANGE_TEXTS,
             {u"A new difficulty starts the game again from the first level.\rChange it?",
              u"Change Difficulty", u"Yes", u"No"});
    PutTexts(c, SAMPLE_GROUP_PAUSE_TEXTS,
             {u"Paused", u"Press any key to play on, or Escape for the menu.", u"Resume", u"Menu"});
    PutTexts(c, SAMPLE_GROUP_HELP_TEXTS, {u"Help", u"OK"});
    // The tally's ten lines: the points, two kinds of collectables with
    // their bonuses, two empty lines, the hits, the penalty and the total.
    PutTexts(c, SAMPLE_GROUP_TALLY_TEXTS,
             {u"Level Complete", u"OK",
              u"Points\rCoins\rCoin bonus\rEnemies\rEnemy bonus\r\r\rHits\rPenalty\rTotal",
              u"%d\r%d%%\r%d\r%d%%\r%d\r\r\r%d\r%d\r%d"});
}

// Ten names of at most ten characters.
void AddHiscoreNames(CatalogueBuilder* c) {
    PutTexts(c, SAMPLE_GROUP_HISCORE_NAMES,
             {u"Ada", u"Bramble", u"Clover", u"Dandelion", u"Elder", u"Fennel", u"Gorse", u"Hazel",
              u"Ivy", u"Juniper"});
}

// ---- pictures ---------------------------------------------------------------------------

void AddCursor(CatalogueBuilder* c) {
    std::vector<ArchiveEntrySpec> items = {NumberEntry(kCursorFrames + 1)};
    for (int32_t k = 0; k < kCursorFrames; ++k)
        items.push_back(Picture(sample::CursorFrame(k, kCursorFrames)));
    items.push_back(Picture(sample::CursorSpark()));
    PutGroup(c, SAMPLE_GROUP_CURSOR, std::move(items));
}

// Item 0 the background; items k + 1 the selected and k + 8 the normal
// picture of choice k.
void AddMainMenu(CatalogueBuilder* c) {
    std::vector<ArchiveEntrySpec> items = {Picture(sample::MainMenuBackground())};
    for (bool selected : {true, false})
        for (int32_t k = 0; k < sample::kMainMenuChoices; ++k)
            items.push_back(Picture(sample::MainMenuButton(k, selected)));
    PutGroup(c, SAMPLE_GROUP_MAIN_MENU, std::move(items));
}

void AddDialogPictures(CatalogueBuilder* c) {
    PutGroup(c, SAMPLE_GROUP_DIALOG_FRAME,
             {Picture(sample::DialogBody(SAMPLE_DIALOG_WIDTH, SAMPLE_DIALOG_BODY_HEIGHT)),
              Picture(sample::DialogBottom(SAMPLE_DIALOG_WIDTH, SAMPLE_DIALOG_BOTTOM_HEIGHT))});
    PutGroup(c, SAMPLE_GROUP_VERTICAL_SCROLL, Pictures(sample::VerticalScrollbar()));
    PutGroup(c, SAMPLE_GROUP_HORIZONTAL_SCROLL, Pictures(sample::HorizontalScrollbar()));
    PutGroup(c, SAMPLE_GROUP_BUTTON_SKIN, Pictures(sample::ButtonSkin(false)));
    PutGroup(c, SAMPLE_GROUP_PROFILE_SKIN, Pictures(sample::ButtonSkin(true)));
}

void AddMap(CatalogueBuilder* c) {
    std::vector<ArchiveEntrySpec> items = {PlainEntry(kRawType, sample::MapLayout())};
    for (int32_t j = 0; j < sample::kMapPictureCount; ++j)
        items.push_back(Picture(sample::MapPicture(j)));
    PutGroup(c, SAMPLE_GROUP_MAP, std::move(items));
    PutGroup(c, SAMPLE_GROUP_MAP_MARKER,
             {Picture(sample::MapMarker()), Picture(sample::RopePicture())});
}

// The codes of layer 3 that the world's levels use.
std::set<uint8_t> UsedCodes(const WorldArchiveSpec& world) {
    std::set<uint8_t> codes;
    for (const WorldLevelSpec& level : world.levels)
        codes.insert(level.layers[3].codes.begin(), level.layers[3].codes.end());
    codes.erase(0);
    return codes;
}

// Every code has an item, so the editor's icon of any code stays in its
// group; codes the sample does not use have none to show.
void AddEditorGroups(CatalogueBuilder* c, const WorldArchiveSpec& world) {
    PutGroup(c, SAMPLE_GROUP_EDITOR_POINTERS,
             {Picture(sample::EditorPointer()), Picture(sample::EditorCellFrame())});
    const std::set<uint8_t> used = UsedCodes(world);
    std::vector<ArchiveEntrySpec> icons;
    for (int32_t code = 0; code < kIconCount; ++code)
        icons.push_back(used.count(static_cast<uint8_t>(code)) != 0
                            ? Picture(sample::EditorIcon(static_cast<uint8_t>(code)))
                            : PlainEntry(kStubType, {}));
    PutGroup(c, SAMPLE_GROUP_EDITOR_ICONS, std::move(icons));
    std::vector<ArchiveEntrySpec> paths;
    for (size_t v = 1; v <= world.levels.size(); ++v)
        paths.push_back(
            PlainEntry(kRawType, BytesOf(SampleLevelFilePath(static_cast<int32_t>(v)))));
    PutGroup(c, SAMPLE_GROUP_EDITOR_PATHS, std::move(paths));
}

// ---- movies and sounds ---------------------------------------------------------------------

// A tune as long as the movie: its motif over and over, cut at the last
// frame; the opening's rises, the ending's falls.
PcmBuffer MovieTune(int32_t item, size_t frames) {
    static const double kMotifs[4][4] = {{261.63, 329.63, 392.0, 523.25},
                                         {392.0, 329.63, 440.0, 523.25},
                                         {293.66, 369.99, 440.0, 369.99},
                                         {523.25, 392.0, 329.63, 261.63}};
    const double* motif = kMotifs[((item % 4) + 4) % 4];
    constexpr double kNoteSeconds = 0.3;
    std::vector<sample::Note> notes;
    for (double at = 0.0; at < static_cast<double>(frames) / 44100.0; at += kNoteSeconds)
        notes.push_back({motif[notes.size() % 4], kNoteSeconds});
    PcmBuffer pcm = sample::NotesPcm(notes, 3000.0);
    pcm.samples.resize(frames * 2, 0);
    return pcm;
}

void AddMoviesAndSounds(CatalogueBuilder* c) {
    std::vector<ArchiveEntrySpec> movies;
    for (int32_t item = 0; item < kMovieCount; ++item)
        movies.push_back(PlainEntry(kStreamedType, SampleMovie(item)));
    PutGroup(c, SAMPLE_GROUP_MOVIES, std::move(movies));
    PutGroup(
        c, SAMPLE_GROUP_MAP_SOUND,
        {PlainEntry(kPredecodedType, sample::NotesOgg({{659.25, 0.06}, {987.77, 0.12}}, 6000.0))});
    PutGroup(c, SAMPLE_GROUP_CLICK_SOUND,
             {PlainEntry(kPredecodedType, sample::NotesOgg({{1760.0, 0.03}}, 5000.0))});
}

} // namespace

std::string SampleLevelFilePath(int32_t level) {
    return "level" + std::to_string(level) + ".lvl";
}

void SetMenuLevelTableWords(std::vector<int32_t>* words) {
    if (words->size() < 39)
        words->resize(39, 0);
    std::vector<int32_t>& w = *words;
    // Score level 0 is the chase: the level that the map's second place
    // leads to, entered with the points of the first playable level, whose
    // end shows the first tally. The last level keeps the score in
    // game.sav when it starts; the word between stays 0, so the map never
    // offers the last level. The stage behind the ending follows it, so
    // that the last level's tally counts that level's points alone.
    for (int32_t i = 13; i <= 20; ++i)
        w[static_cast<size_t>(i)] = 0;
    w[13] = SAMPLE_CHASE_LEVEL;
    w[15] = SAMPLE_LAST_LEVEL;
    w[16] = SAMPLE_ENDING_LEVEL;
    w[28] = 0; // no picture over the main menu
    for (int32_t i = 0; i < 10; ++i)
        w[static_cast<size_t>(29 + i)] = 1000 - 100 * i;
}

CatalogueBuilder MakeHelpCatalogue() {
    CatalogueBuilder help;
    const std::vector<std::vector<std::u16string>> pages = {
        {u"Collect the coins along the road: each one adds to your score.\r"
         u"Walk with the arrow keys and jump with the Up arrow.",
         u"The door at the far end leads on to the next level."},
        {u"Press Space to throw at the enemies and knock them down.\r"
         u"Mind the spikes in the pit.",
         u"The green gem lets someone out behind you. Keep running to the golden door!"},
        {u"The last stretch: gather the coins, then walk through the golden door\r"
         u"to end your journey."},
    };
    for (const std::vector<std::u16string>& level : pages) {
        const uint32_t group = help.AddGroup();
        for (const std::u16string& page : level)
            help.AddItem(group, Text(page));
    }
    return help;
}

std::vector<uint8_t> SampleMovie(int32_t item) {
    VideoStreamOptions video;
    video.width = SAMPLE_MOVIE_WIDTH;
    video.height = SAMPLE_MOVIE_HEIGHT;
    video.fps = SAMPLE_MOVIE_FPS;
    // Coarser than the writer's default: the flat skies barely show it,
    // and the four movies take half the room.
    video.quant = 4;
    video.frames = SAMPLE_MOVIE_FRAMES;
    video.source = [item](int32_t index, uint8_t* bgr) {
        const sample::Canvas frame = sample::MovieFrame(item, index, SAMPLE_MOVIE_FRAMES,
                                                        SAMPLE_MOVIE_WIDTH, SAMPLE_MOVIE_HEIGHT);
        const std::vector<uint32_t>& pixels = frame.pixels();
        for (size_t i = 0; i < pixels.size(); ++i) {
            bgr[3 * i] = static_cast<uint8_t>(pixels[i]);
            bgr[3 * i + 1] = static_cast<uint8_t>(pixels[i] >> 8);
            bgr[3 * i + 2] = static_cast<uint8_t>(pixels[i] >> 16);
        }
    };
    constexpr int32_t kRate = 44100;
    const size_t frames = static_cast<size_t>(kRate) * SAMPLE_MOVIE_FRAMES / SAMPLE_MOVIE_FPS;
    const PcmBuffer sound = MovieTune(item, frames);
    return WriteOgmMovie(video, &sound);
}

void AddMenuGroups(CatalogueBuilder* catalogue, const WorldArchiveSpec& world) {
    catalogue->SetGroupBase(SAMPLE_GROUP_BASE);
    catalogue->SetNestedCatalogue(SAMPLE_HELP_ROOT_ENTRY, MakeHelpCatalogue());
    AddEditorGroups(catalogue, world);
    AddCursor(catalogue);
    AddMainMenu(catalogue);
    catalogue->SetItem(SAMPLE_GROUP_PICTURES, 0, Picture(sample::OpeningPicture()));
    AddMoviesAndSounds(catalogue);
    AddDialogPictures(catalogue);
    AddDialogTexts(catalogue);
    AddHiscoreNames(catalogue);
    AddMap(catalogue);
}
