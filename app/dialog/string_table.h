// The dialog's string resources and the other fixed texts of its windows.
#pragma once

#include <string>
#include <string_view>

namespace vermark {

inline constexpr unsigned IDS_ABOUTBOX = 101;
inline constexpr unsigned AFX_IDS_APP_TITLE = 57344;

inline constexpr std::u16string_view kMainCaption = u"$ACADVER 追加";
inline constexpr std::u16string_view kAddButtonText = u"$&ACADVER 追加";
inline constexpr std::u16string_view kQuitButtonText = u"終了(&Q)";
inline constexpr std::u16string_view kDropPrompt = u"DXF ファイルをドロップしてください．";
inline constexpr std::u16string_view kAboutCaption = u"ﾊﾞｰｼﾞｮﾝ情報";
inline constexpr std::u16string_view kAboutTemplateVersion = u"Vermark Version 1.0";
inline constexpr std::u16string_view kAboutVersionSeparator = u"  Version ";

// The fonts of the two templates: "ＭＳ ゴシック" and "ＭＳ Ｐゴシック", whose widths IPAGothic and
// IPAPGothic match.
inline constexpr std::u16string_view kMainFontFamily = u"IPAGothic";
inline constexpr std::u16string_view kAboutFontFamily = u"IPAPGothic";
inline constexpr int kDialogFontPoints = 9;

// The string resource `id`; empty when there is none.
std::u16string load_string(unsigned id);

}  // namespace vermark
