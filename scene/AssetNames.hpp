#pragma once

// The names of the data files the program reads, as it looks them up (ResolvePath turns the
// backslashes into the platform's separator). The asset generator writes every one of them;
// tools/assetgen/AssetFiles.txt lists its output files for it and for the build.
namespace scene::assets {

// The balls' clips, one per colour from 1 to 7.
inline constexpr const char* kBalls[7] = {"SKINS\\1.clp", "SKINS\\2.clp", "SKINS\\3.clp", "SKINS\\4.clp",
                                          "SKINS\\5.clp", "SKINS\\6.clp", "SKINS\\7.clp"};
inline constexpr const char* kSelection = "SKINS\\chck.clp";
inline constexpr const char* kPathDot = "SKINS\\point.clp";
// What keys and gamepads point at: the cell while picking, the mark while aiming.
inline constexpr const char* kKeyCell = "SKINS\\keycell.clp";
inline constexpr const char* kAimMark = "SKINS\\aim.clp";
// The plate a paused court shows its word on.
inline constexpr const char* kPausePlate = "SKINS\\pause.clp";
// The tile around the game on the full screen.
inline constexpr const char* kFullScreenBorder = "SKINS\\fsbrd.clp";
inline constexpr const char* kColumnMarker = "SKINS\\z.clp";
inline constexpr const char* kDigits = "SKINS\\num.clp";
inline constexpr const char* kNarrowDigits = "SKINS\\numn.clp";
inline constexpr const char* kScoreBox = "SKINS\\scbox.clp";
inline constexpr const char* kBorderTop = "SKINS\\brdup.clp";
inline constexpr const char* kBorderBottom = "SKINS\\brddn.clp";
inline constexpr const char* kBorderLeft = "SKINS\\brdlf.clp";
inline constexpr const char* kBorderRight = "SKINS\\brdrt.clp";

// The game window's buttons.
inline constexpr const char* kNewGameButton = "CLP\\btNew.clp";
inline constexpr const char* kScoresButton = "CLP\\btScores.clp";
inline constexpr const char* kOptionsButton = "CLP\\btOptions.clp";
inline constexpr const char* kGamesButton = "CLP\\btGames.clp";
inline constexpr const char* kDailyButton = "CLP\\btDaily.clp";
inline constexpr const char* kStatisticsButton = "CLP\\btStats.clp";
inline constexpr const char* kLevelButton = "CLP\\btKind.clp";
inline constexpr const char* kHelpButton = "CLP\\bthelp.clp";
inline constexpr const char* kMinimiseButton = "CLP\\btdown.clp";
inline constexpr const char* kCloseButton = "CLP\\btclose.clp";

// The controls' default looks and the dialogs' pictures.
inline constexpr const char* kDefaultButton = "CLP\\def_btn.clp";
inline constexpr const char* kDefaultEdit = "CLP\\def_edit.clp";
inline constexpr const char* kEdit = "CLP\\edit.clp";
inline constexpr const char* kDefaultCheckbox = "CLP\\def_cbox.clp";
inline constexpr const char* kCheckOff = "CLP\\chk1.clp";
inline constexpr const char* kCheckOn = "CLP\\chk2.clp";
inline constexpr const char* kChoiceOff = "CLP\\cmb1.clp";
inline constexpr const char* kChoiceOn = "CLP\\cmb2.clp";
inline constexpr const char* kRowLarge = "CLP\\boxlg.clp";
inline constexpr const char* kRowSmall = "CLP\\boxsm.clp";
inline constexpr const char* kTopTitle = "CLP\\top.clp";
inline constexpr const char* kBar = "CLP\\bar.clp";
inline constexpr const char* kOptionsTitle = "CLP\\options.clp";
inline constexpr const char* kQuitPicture = "CLP\\ExitPic.clp";
inline constexpr const char* kLogoLeft = "CLP\\Logo1.clp";
inline constexpr const char* kLogoRight = "CLP\\Logo2.clp";
inline constexpr const char* kLogoTitle = "CLP\\Logo3.clp";

// The replay window's buttons: pause, play, restart and slower in one clip, three frames
// each; faster in a clip of its own.
inline constexpr const char* kReplayButtons = "CLP\\btReplay.clp";
inline constexpr const char* kFasterButton = "CLP\\btFaster.clp";

// The sounds.
inline constexpr const char* kThrowSound = "WAV\\start.wav";
inline constexpr const char* kBounceSound = "WAV\\del.wav";
inline constexpr const char* kRemovedSound = "WAV\\buh.wav";
inline constexpr const char* kButtonSound = "WAV\\over.wav";
inline constexpr const char* kBonusSound = "WAV\\congr.wav";

// The window's icon.
inline constexpr const char* kWindowIcon = "icons\\hoopstack-window.clp";

} // namespace scene::assets
