// Every text the program hands to Windows, as code page 932 (Shift-JIS) bytes for the "A"
// functions. The comment above each one gives its wording.
#pragma once

namespace texts {

// Title bar with no game running.
// "REVERSI"
inline constexpr char kTitleIdle[] = "REVERSI";

// Title bar while red (the first player) is to move.
// "先手(赤)"
inline constexpr char kTitleRed[] = "\x90\xE6\x8E\xE8(\x90\xD4)";

// Title bar while blue (the second player) is to move.
// "後手(青)"
inline constexpr char kTitleBlue[] = "\x8C\xE3\x8E\xE8(\x90\xC2)";

// End of game, red has more discs (red count, blue count).
// "先手(赤):%d  後手(青):%d\n        先手の勝ち"
inline constexpr char kResultRedWins[] = "\x90\xE6\x8E\xE8(\x90\xD4):%d  \x8C\xE3\x8E\xE8(\x90\xC2):%d\n        \x90\xE6\x8E\xE8\x82\xCC\x8F\x9F\x82\xBF";

// End of game, blue has more discs.
// "先手(赤):%d  後手(青):%d\n        後手の勝ち"
inline constexpr char kResultBlueWins[] = "\x90\xE6\x8E\xE8(\x90\xD4):%d  \x8C\xE3\x8E\xE8(\x90\xC2):%d\n        \x8C\xE3\x8E\xE8\x82\xCC\x8F\x9F\x82\xBF";

// End of game, equal counts.
// "先手(赤):%d  後手(青):%d\n         引き分け"
inline constexpr char kResultDraw[] = "\x90\xE6\x8E\xE8(\x90\xD4):%d  \x8C\xE3\x8E\xE8(\x90\xC2):%d\n         \x88\xF8\x82\xAB\x95\xAA\x82\xAF";

// Caption of the result box.
// "REVERSI POINT"
inline constexpr char kResultCaption[] = "REVERSI POINT";

// Caption of the About box.
// "About VANT !"
inline constexpr char kAboutCaption[] = "About VANT !";

// Text of the About box: version, then the credit line.
// "PLIX Ver.1.2\n(C) 2026 PLIX 開発チーム"
inline constexpr char kAboutText[] = "PLIX Ver.1.2\n(C) 2026 PLIX \x8AJ\x94\xAD\x83`\x81[\x83\x80";

// Exit confirmation (full-width question mark).
// "終了して良いですか？"
inline constexpr char kExitQuestion[] = "\x8FI\x97\xB9\x82\xB5\x82\xC4\x97\xC7\x82\xA2\x82\xC5\x82\xB7\x82\xA9\x81H";

// Caption of the exit confirmation.
// "終了"
inline constexpr char kExitCaption[] = "\x8FI\x97\xB9";

// Help file opened through the system help viewer.
// "plix.hlp"
inline constexpr char kHelpFile[] = "plix.hlp";

}  // namespace texts
