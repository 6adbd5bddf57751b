#include "AssetCatalogue.hpp"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "AssetFileList.hpp"

#include "ArtText.hpp"
#include "BallArt.hpp"
#include "ButtonArt.hpp"
#include "CourtArt.hpp"
#include "Draw.hpp"
#include "IconArt.hpp"
#include "Synth.hpp"
#include "WavFile.hpp"
#include "TitleArt.hpp"
#include "scene/TClipData.hpp"

namespace assetgen {

namespace {

std::vector<uint8_t> ClipBytes(const scene::TClipData& clip) {
    std::optional<std::vector<uint8_t>> bytes = scene::WriteClip(clip);
    return bytes ? *bytes : std::vector<uint8_t>{};
}

Asset ClipAsset(std::string path, std::function<scene::TClipData(const Rgb&)> make, bool worded = false) {
    return {std::move(path), AssetKind::Clip,
            [make = std::move(make)] { return ClipBytes(make(palette::kBackground)); }, worded};
}

std::vector<Asset> BuildCatalogue() {
    std::vector<Asset> assets;
    const std::vector<BallStyle>& balls = BallStyles();
    for (size_t i = 0; i < balls.size(); ++i) {
        assets.push_back(ClipAsset("SKINS/" + std::to_string(i + 1) + ".clp",
                                   [&style = balls[i]](const Rgb& bg) { return BallClip(style, bg); }));
    }
    assets.push_back(ClipAsset("SKINS/chck.clp", SelectionClip));
    assets.push_back(ClipAsset("SKINS/point.clp", PathDotClip));
    assets.push_back(ClipAsset("SKINS/keycell.clp", KeyCellClip));
    assets.push_back(ClipAsset("SKINS/aim.clp", AimMarkClip));
    assets.push_back(ClipAsset("SKINS/pause.clp", PausePlateClip));
    assets.push_back(ClipAsset("SKINS/fsbrd.clp", BackdropTileClip));
    assets.push_back(ClipAsset("SKINS/z.clp", ColumnMarkerClip));
    assets.push_back(ClipAsset("SKINS/num.clp", DigitsClip));
    assets.push_back(ClipAsset("SKINS/numn.clp", NarrowDigitsClip));
    assets.push_back(ClipAsset("SKINS/scbox.clp", ScoreBoxClip, true));
    assets.push_back(
        ClipAsset("SKINS/brdup.clp", [](const Rgb& bg) { return BorderClip(BorderSide::Top, bg); }));
    assets.push_back(
        ClipAsset("SKINS/brddn.clp", [](const Rgb& bg) { return BorderClip(BorderSide::Bottom, bg); }));
    assets.push_back(
        ClipAsset("SKINS/brdlf.clp", [](const Rgb& bg) { return BorderClip(BorderSide::Left, bg); }));
    assets.push_back(
        ClipAsset("SKINS/brdrt.clp", [](const Rgb& bg) { return BorderClip(BorderSide::Right, bg); }));

    auto button = [&assets](const char* name, Size size, ButtonLook look, const char* label,
                            ButtonIcon icon) {
        assets.push_back(ClipAsset(
            std::string("CLP/") + name,
            [=](const Rgb& bg) {
                return ButtonClip(size, look, *label ? ArtText(label) : std::string(), icon, bg);
            },
            *label != '\0'));
    };
    button("btNew.clp", sizes::kNewGame, ButtonLook::Leather, ArtWords("New Game"), ButtonIcon::None);
    button("btScores.clp", sizes::kScores, ButtonLook::Leather, "", ButtonIcon::Trophy);
    button("btOptions.clp", sizes::kOptions, ButtonLook::Leather, ArtWords("Options"), ButtonIcon::None);
    button("btGames.clp", sizes::kGames, ButtonLook::Leather, ArtWords("More Games"), ButtonIcon::None);
    button("btDaily.clp", sizes::kDaily, ButtonLook::Leather, ArtWords("Daily"), ButtonIcon::None);
    button("btStats.clp", sizes::kStatistics, ButtonLook::Leather, ArtWords("Statistics"), ButtonIcon::None);
    button("btKind.clp", sizes::kLevel, ButtonLook::Chocolate, "", ButtonIcon::None);
    button("bthelp.clp", sizes::kSmallButton, ButtonLook::Leather, "", ButtonIcon::Help);
    button("btdown.clp", sizes::kSmallButton, ButtonLook::Leather, "", ButtonIcon::Minimise);
    button("btclose.clp", sizes::kSmallButton, ButtonLook::Leather, "", ButtonIcon::Close);
    button("def_btn.clp", sizes::kDialogButton, ButtonLook::Chocolate, "", ButtonIcon::None);
    assets.push_back(ClipAsset("CLP/def_edit.clp", [](const Rgb& bg) { return EditClip(true, bg); }));
    assets.push_back(ClipAsset("CLP/edit.clp", [](const Rgb& bg) { return EditClip(false, bg); }));
    assets.push_back(ClipAsset("CLP/def_cbox.clp", DefaultCheckClip));
    assets.push_back(ClipAsset("CLP/chk1.clp", [](const Rgb& bg) { return CheckClip(false, bg); }));
    assets.push_back(ClipAsset("CLP/chk2.clp", [](const Rgb& bg) { return CheckClip(true, bg); }));
    assets.push_back(ClipAsset("CLP/cmb1.clp", [](const Rgb& bg) { return ChoiceClip(false, bg); }));
    assets.push_back(ClipAsset("CLP/cmb2.clp", [](const Rgb& bg) { return ChoiceClip(true, bg); }));
    assets.push_back(
        ClipAsset("CLP/boxlg.clp", [](const Rgb& bg) { return RowBoxClip(sizes::kRowLarge, bg); }));
    assets.push_back(
        ClipAsset("CLP/boxsm.clp", [](const Rgb& bg) { return RowBoxClip(sizes::kRowSmall, bg); }));
    assets.push_back(ClipAsset("CLP/top.clp", TopTitleClip, true));
    assets.push_back(ClipAsset("CLP/bar.clp", BarClip));
    assets.push_back(ClipAsset("CLP/options.clp", OptionsTitleClip, true));
    assets.push_back(ClipAsset("CLP/ExitPic.clp", QuitPictureClip, true));
    assets.push_back(ClipAsset("CLP/Logo1.clp", [](const Rgb& bg) { return EmblemHalfClip(true, bg); }));
    assets.push_back(ClipAsset("CLP/Logo2.clp", [](const Rgb& bg) { return EmblemHalfClip(false, bg); }));
    assets.push_back(ClipAsset("CLP/Logo3.clp", LogoTitleClip));
    assets.push_back(ClipAsset("CLP/btReplay.clp", ReplayButtonsClip));
    assets.push_back(ClipAsset("CLP/btFaster.clp", FasterButtonClip));

    auto sound = [&assets](const char* name, std::vector<double> (*make)(), double peak) {
        assets.push_back({std::string("WAV/") + name, AssetKind::Sound,
                          [make, peak] { return EncodeWav(FinishSound(make(), peak), kSampleRate); }});
    };
    sound("start.wav", ThrowSignal, kPeakLevel);
    sound("del.wav", BounceSignal, kPeakLevel);
    sound("buh.wav", PopSignal, kPeakLevel);
    sound("over.wav", TickSignal, kPeakLevel * 0.5);
    sound("congr.wav", FanfareSignal, kPeakLevel);

    for (int size : kIconSizes) {
        assets.push_back({"icons/hoopstack-" + std::to_string(size) + ".png", AssetKind::Png,
                          [size] { return IconPng(size); }});
    }
    assets.push_back({"icons/hoopstack.svg", AssetKind::Svg, IconSvg});
    assets.push_back(ClipAsset("icons/hoopstack-window.clp", WindowIconClip));
    return assets;
}

bool WriteFileAtomically(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::filesystem::path temporary = path;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) return false;
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    return !error;
}

} // namespace

const std::vector<Asset>& Catalogue() {
    static const std::vector<Asset> assets = BuildCatalogue();
    return assets;
}

std::vector<std::string> CatalogueMismatches(const std::vector<Asset>& catalogue,
                                             const std::vector<std::string>& listed) {
    const std::set<std::string> wanted(listed.begin(), listed.end());
    std::set<std::string> made;
    std::vector<std::string> mismatches;
    for (const Asset& asset : catalogue) {
        made.insert(asset.path);
        if (!wanted.count(asset.path)) mismatches.push_back("missing from the list: " + asset.path);
    }
    for (const std::string& path : listed)
        if (!made.count(path)) mismatches.push_back("listed but not made: " + path);
    return mismatches;
}

std::vector<std::string> ListedFiles() { return {std::begin(kAssetFileList), std::end(kAssetFileList)}; }

namespace {

bool WriteAsset(const Asset& asset, const std::filesystem::path& path, std::ostream& errors) {
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    const std::vector<uint8_t> bytes = asset.make();
    if (bytes.empty()) {
        errors << "hoopstack-assetgen: could not make " << asset.path << "\n";
        return false;
    }
    if (!WriteFileAtomically(path, bytes)) {
        errors << "hoopstack-assetgen: could not write " << path.string() << "\n";
        return false;
    }
    return true;
}

} // namespace

std::string TranslatedPath(const std::string& path, const std::string& language) {
    const std::size_t slash = path.find('/');
    return slash == std::string::npos ? path : path.substr(0, slash + 1) + language + path.substr(slash);
}

bool GenerateLanguage(const std::string& folder, const std::string& language, const std::string& localeFolder,
                      std::ostream& errors) {
    if (!SetArtLanguage(language, localeFolder)) {
        errors << "hoopstack-assetgen: no catalogue for '" << language << "' in " << localeFolder << "\n";
        return false;
    }
    for (const Asset& asset : Catalogue())
        if (asset.worded &&
            !WriteAsset(asset, std::filesystem::path(folder) / TranslatedPath(asset.path, language), errors))
            return false;
    return true;
}

bool GenerateAll(const std::string& folder, std::ostream& errors) {
    const std::vector<std::string> mismatches = CatalogueMismatches(Catalogue(), ListedFiles());
    for (const std::string& mismatch : mismatches)
        errors << "hoopstack-assetgen: tools/assetgen/AssetFiles.txt and the catalogue differ: " << mismatch
               << "\n";
    if (!mismatches.empty()) return false;
    for (const Asset& asset : Catalogue())
        if (!WriteAsset(asset, std::filesystem::path(folder) / asset.path, errors)) return false;
    return true;
}

} // namespace assetgen
