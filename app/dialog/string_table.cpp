#include "app/dialog/string_table.h"

namespace vermark {

std::u16string load_string(unsigned id) {
    switch (id) {
        case IDS_ABOUTBOX:
            return u"ﾊﾞｰｼﾞｮﾝ情報(&A)...";
        case AFX_IDS_APP_TITLE:
            return u"Vermark";
        default:
            return {};
    }
}

}  // namespace vermark
