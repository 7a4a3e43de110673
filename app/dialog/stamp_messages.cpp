#include "app/dialog/stamp_messages.h"

#include <cerrno>

#include "platform/wide.h"

namespace vermark {
namespace {

constexpr std::u16string_view kFailureHeading =
    u"$ACADVER を追加したファイルを書き込めませんでした．";
constexpr std::u16string_view kRefusalHeading = u"$ACADVER は追加しませんでした．";
constexpr std::u16string_view kLineEnd = u"\r\n";

std::u16string failure_step(StampFailure failure) {
    switch (failure) {
        case StampFailure::replaces_input:
            return u"書き込み先が元のファイルそのものです";
        case StampFailure::cannot_open:
            return u"元のファイルを開けません";
        case StampFailure::cannot_read:
            return u"元のファイルを読み込めません";
        case StampFailure::cannot_create:
            return u"書き込み先のフォルダーにファイルを作れません";
        case StampFailure::cannot_write:
            return u"ファイルを書き込めません";
        case StampFailure::cannot_replace:
            return u"既にあるファイルを置き換えられません";
        case StampFailure::none:
            break;
    }
    return u"書き込めません";
}

}  // namespace

std::u16string japanese_error_text(int error) {
    switch (error) {
        case ENOENT:
            return u"ファイルまたはフォルダーがありません";
        case EACCES:
        case EPERM:
            return u"アクセスが拒否されました";
        case ENOSPC:
#ifdef EDQUOT
        case EDQUOT:
#endif
            return u"ディスクの空き容量が足りません";
        case EROFS:
            return u"読み取り専用の場所です";
        case EISDIR:
        case EEXIST:
        case ENOTEMPTY:
            return u"同じ名前のフォルダーがあります";
        case ENOTDIR:
            return u"パスの途中にフォルダーでないものがあります";
        case EINVAL:
            return u"通常のファイルではありません";
        case ENAMETOOLONG:
            return u"名前が長すぎます";
        case EIO:
            return u"入出力エラーが起きました";
        case EBUSY:
        case ETXTBSY:
            return u"ファイルが使用中です";
        default:
            return u"エラー番号 " + platform::from_utf8(std::to_string(error));
    }
}

std::u16string stamp_failure_message(const StampResult& result) {
    std::u16string reason = failure_step(result.failure);
    if (result.error != 0) reason += u"（" + japanese_error_text(result.error) + u"）";
    return std::u16string(kFailureHeading) + std::u16string(kLineEnd) + result.output_path +
           std::u16string(kLineEnd) + reason;
}

std::u16string stamp_refusal_message(const std::u16string& input, const StampResult& result) {
    std::u16string reason;
    if (result.refusal == DxfRefusal::version_recorded) {
        reason = result.version.empty() ? u"$ACADVER が既にあります"
                                        : u"$ACADVER は既に " + result.version + u" です";
    } else {
        reason = u"HEADER セクションがありません";
    }
    return std::u16string(kRefusalHeading) + std::u16string(kLineEnd) + input +
           std::u16string(kLineEnd) + reason;
}

}  // namespace vermark
