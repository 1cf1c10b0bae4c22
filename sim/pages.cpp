#include "sim/pages.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <memory>
#include <vector>

namespace vokari::sim {

namespace {

// The site's pages end lines with CR LF.
std::string withCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n') out.push_back('\r');
        out.push_back(c);
    }
    return out;
}

std::string metaFor(std::string_view label) {
    // utf-8 pages use the short HTML5 form, the others the old http-equiv
    // form: both are what the tool's meta pattern has to read.
    if (label == "utf-8") return "<meta charset=\"utf-8\">\n";
    return "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=" + std::string(label) + "\" />\n";
}

std::string siteHead(std::string_view label, std::string_view title) {
    std::string s =
        "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
        "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">\n"
        "<html xmlns=\"http://www.w3.org/1999/xhtml\">\n"
        "<head>\n";
    s += metaFor(label);
    s += "<meta name=\"keywords\" content=\"Vokari,K歌,翻唱,原创,音乐社区\" />\n"
         "<meta name=\"description\" content=\"Vokari是一个K歌爱好者的音乐社区，在这里唱歌、交友、分享你的声音。\" />\n"
         "<title>";
    s += title;
    s += " Vokari,音符随心飞</title>\n"
         "<link rel=\"shortcut icon\" href=\"/favicon.ico\" />\n"
         "<link rel=\"stylesheet\" type=\"text/css\" href=\"/static/css/common.css?v=20130521\" />\n"
         "<link rel=\"stylesheet\" type=\"text/css\" href=\"/static/css/userpage.css?v=20130607\" />\n"
         "<script type=\"text/javascript\" src=\"/static/js/jquery-1.7.2.min.js\"></script>\n"
         "<script type=\"text/javascript\" src=\"/static/js/common.js?v=20130521\"></script>\n";
    return s;
}

std::string siteHeader() {
    return "<div class=\"header\">\n"
           "\t<div class=\"header-inner clearfix\">\n"
           "\t\t<a class=\"logo\" href=\"/\" title=\"Vokari\"><img src=\"/static/images/logo.png\" alt=\"Vokari\" /></a>\n"
           "\t\t<ul class=\"nav\">\n"
           "\t\t\t<li><a href=\"/\">首页</a></li>\n"
           "\t\t\t<li><a href=\"/top/\">排行榜</a></li>\n"
           "\t\t\t<li><a href=\"/song/\">伴奏库</a></li>\n"
           "\t\t\t<li><a href=\"/club/\">家族</a></li>\n"
           "\t\t</ul>\n"
           "\t\t<form class=\"search\" action=\"/search/\" method=\"get\"><input type=\"text\" name=\"key\" "
           "value=\"搜索歌曲、用户\" /><button type=\"submit\">搜索</button></form>\n"
           "\t\t<div class=\"login-bar\"><a href=\"javascript:void(0)\" onclick=\"showLogin();\">登录</a> | "
           "<a href=\"/reg/\">注册</a></div>\n"
           "\t</div>\n"
           "</div>\n";
}

std::string siteFooter() {
    return "<div class=\"footer\">\n"
           "\t<p><a href=\"/about/\">关于我们</a> | <a href=\"/help/\">帮助中心</a> | <a href=\"/contact/\">联系我们</a></p>\n"
           "\t<p>Copyright &copy; 2011-2013 Vokari All Rights Reserved</p>\n"
           "</div>\n"
           "<script type=\"text/javascript\">\n"
           "\tvar _stat = _stat || [];\n"
           "\t(function() {\n"
           "\t\tvar s = document.createElement(\"script\"); s.async = true;\n"
           "\t\ts.src = \"/static/js/stat.js?t=\" + (new Date()).getTime();\n"
           "\t\tdocument.getElementsByTagName(\"head\")[0].appendChild(s);\n"
           "\t})();\n"
           "</script>\n"
           "</body>\n"
           "</html>\n";
}

// One count of the profile. The line breaks and tabs sit where they split the
// `">` before the number, so a reader that does not strip them finds nothing.
std::string countItem(std::string_view icon, std::string_view caption, int count) {
    std::string s = "\t\t<li>\n\t\t\t<span class=\"userPage-icons userPage-";
    s += icon;
    s += "-icon\"><b class=\"num\"\n\t\t\t\ttitle=\"";
    s += caption;
    s += "\"\n\t\t\t\t>\n\t\t\t\t";
    s += std::to_string(count);
    s += "\n\t\t\t</b></span>\n\t\t\t<em>";
    s += caption;
    s += "</em>\n\t\t</li>\n";
    return s;
}

std::string json(std::string_view key, std::string_view value) {
    return "\"" + std::string(key) + "\":\"" + std::string(value) + "\"";
}
std::string json(std::string_view key, long long value) {
    return "\"" + std::string(key) + "\":" + std::to_string(value);
}

// The list's dates are made up but fixed, a few days apart going back in time.
std::string addTime(const Work& work) {
    const int day = 28 - work.index % 28;
    const int month = 12 - (work.index / 28) % 12;
    const int hour = static_cast<int>(work.workId % 24);
    char buf[32];
    std::snprintf(buf, sizeof buf, "2013-%02d-%02d %02d:%02d:%02d", month, day, hour, work.listens % 60,
                  work.flowers % 60);
    return buf;
}

std::string songItem(const Member& member, const Work& work) {
    std::string s = "{";
    s += json("workid", std::to_string(work.workId)) + ",";
    s += json("enworkid", work.enWorkId) + ",";
    s += json("songname", work.escapedName) + ",";
    s += json("userid", member.userId) + ",";
    s += json("listennum", work.listens) + ",";
    s += json("flowernum", work.flowers) + ",";
    s += json("forwardnum", work.forwards) + ",";
    s += json("commentnum", work.comments) + ",";
    s += json("addtime", addTime(work)) + ",";
    s += json("cover", "http:\\/\\/img.vokari.invalid\\/cover\\/" + std::to_string(work.workId % 1000) + ".jpg") + ",";
    s += json("ishq", work.index % 3 == 0 ? 1 : 0);
    s += "}";
    return s;
}

// The number comes from the request path, so it is shown, never obeyed.
std::string escapeHtml(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out.push_back(c);
        }
    }
    return out;
}

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};

}  // namespace

std::string_view charsetLabel(PageCharset charset) {
    switch (charset) {
    case PageCharset::Utf8: return "utf-8";
    case PageCharset::Gbk: return "gbk";
    case PageCharset::GbkUpper: return "GBK";
    }
    return "utf-8";
}

std::string encodePage(std::string_view utf8, PageCharset charset) {
    if (charset == PageCharset::Utf8) return std::string(utf8);
    UErrorCode status = U_ZERO_ERROR;
    int32_t units = 0;
    // Bytes that are not UTF-8 (they can only come from a request path) become U+FFFD, then '?'.
    u_strFromUTF8WithSub(nullptr, 0, &units, utf8.data(), static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr,
                         &status);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) return {};
    std::vector<UChar> wide(static_cast<std::size_t>(units) + 1);
    status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(wide.data(), units + 1, &units, utf8.data(), static_cast<int32_t>(utf8.size()), 0xFFFD,
                         nullptr, &status);
    if (U_FAILURE(status)) return {};

    std::unique_ptr<UConverter, ConverterCloser> gbk(ucnv_open("windows-936", &status));
    if (U_FAILURE(status)) return {};
    std::string out(static_cast<std::size_t>(units) * 2 + 16, '\0');
    const int32_t n = ucnv_fromUChars(gbk.get(), out.data(), static_cast<int32_t>(out.size()), wide.data(), units,
                                      &status);
    if (U_FAILURE(status)) return {};
    out.resize(static_cast<std::size_t>(n));
    return out;
}

std::string profilePage(const Member& member, std::string_view host, std::string_view label) {
    std::string s = siteHead(label, member.nickname + "的个人主页");
    s += "<style type=\"text/css\">\n"
         "\t.userPage-top{position:relative;height:180px;background:#f6f6f6;}\n"
         "\t.userPage-relative{position:relative;}\n"
         "\t.inline-block{display:inline-block;*display:inline;*zoom:1;}\n"
         "\t.userPage-icons{display:inline-block;width:80px;height:80px;background:url(/static/images/icons.png) "
         "no-repeat;}\n"
         "\t.userPage-work-icon{background-position:0 0;}\n"
         "\t.userPage-follow-icon{background-position:-80px 0;}\n"
         "\t.userPage-fans-icon{background-position:-160px 0;}\n"
         "</style>\n"
         "<script type=\"text/javascript\">\n"
         "\tvar siteUrl = \"http://";
    s += host;
    s += "\";\n"
         "\tvar userid = '";
    s += member.userId;
    s += "';\n"
         "\tvar worknum = ";
    s += member.workCountText;
    s += ";\n"
         "\tvar curuserid = -1;\n"
         "\tvar isLogin = false;\n"
         "</script>\n"
         "</head>\n"
         "<body>\n";
    s += siteHeader();
    s += "<!-- userPage begin -->\n"
         "<div class=\"userPage-top\">\n"
         "\t<div class=\"userPage-relative inline-block\">\n"
         "\t\t<img src=\"http://";
    s += host;
    s += picturePath(member);
    s += "\" width=\"96\" height=\"96\"\n\t\t\talt=\"";
    s += member.nickname;
    s += "\" class=\"avatar\" />\n"
         "\t\t<p class=\"username\">";
    s += member.nickname;
    s += "</p>\n"
         "\t\t<p class=\"userno\">Vokari号：";
    s += member.number;
    s += "</p>\n"
         "\t</div>\n"
         "\t<ul class=\"userPage-count inline-block\">\n";
    s += countItem("work", "作品", member.works);
    s += countItem("follow", "关注", member.follows);
    s += countItem("fans", "粉丝", member.fans);
    s += "\t</ul>\n"
         "</div>\n"
         "<div class=\"userPage-songs\" id=\"songList\">\n"
         "\t<p class=\"loading\">正在加载…</p>\n"
         "</div>\n"
         "<script type=\"text/javascript\">\n"
         "\t$(function(){ loadMore(0); });\n"
         "\tfunction loadMore(p){\n"
         "\t\t$.getJSON('/member/personcenter/loadmore.php', {ver:1, pageNum:p, type:0, userid:userid, "
         "curuserid:curuserid}, renderSongs);\n"
         "\t}\n"
         "</script>\n"
         "<!-- userPage end -->\n";
    s += siteFooter();
    return withCrLf(s);
}

std::string noSuchMemberPage(std::string_view number, std::string_view label) {
    std::string s = siteHead(label, "用户不存在");
    s += "</head>\n<body>\n";
    s += siteHeader();
    s += "<div class=\"error-box\">\n"
         "\t<h2>抱歉，Vokari号 ";
    s += escapeHtml(number);
    s += " 的用户不存在或已被删除。</h2>\n"
         "\t<p><a href=\"/\">返回首页</a></p>\n"
         "</div>\n";
    s += siteFooter();
    return withCrLf(s);
}

std::string songPage(const Member& member, const Work& work, std::string_view host, std::string_view label) {
    std::string s = siteHead(label, work.title);
    s += "<script type=\"text/javascript\">\n";
    const std::string audio = pageAudioAddress(work, host);
    if (!audio.empty()) {
        s += "\tvar a=\"";
        s += audio;
        s += "\";\n";
    } else {
        s += "\tvar songUrl = \"\"; // withdrawn by its singer\n";
    }
    s += "\tvar playerUrl=\"http://";
    s += host;
    s += "/play/swf/03.swf\";\n"
         "\tvar curuserid = -1;\n"
         "\tfunction sendFlower(){ if(!isLogin){ showLogin(); return; } }\n"
         "</script>\n"
         "<style type=\"text/css\">\n"
         "\t.work-player{width:560px;height:80px;margin:20px auto;}\n"
         "\t.work-info span{margin-right:12px;color:#999;}\n"
         "</style>\n"
         "</head>\n"
         "<body>\n";
    s += siteHeader();
    s += "<div class=\"work-main\">\n"
         "\t<h1 class=\"work-name\">";
    s += work.title;
    s += "</h1>\n"
         "\t<div class=\"work-player\" id=\"player\"\n\t\tdata-workid=\"";
    s += std::to_string(work.workId);
    s += "\" data-userid=\"";
    s += member.userId;
    s += "\">\n"
         "\t\t<embed src=\"/play/swf/03.swf\" width=\"560\" height=\"80\" type=\"application/x-shockwave-flash\" />\n"
         "\t</div>\n"
         "\t<div class=\"work-info\">\n"
         "\t\t<span>试听：";
    s += std::to_string(work.listens);
    s += "</span><span>鲜花：";
    s += std::to_string(work.flowers);
    s += "</span><span>转发：";
    s += std::to_string(work.forwards);
    s += "</span><span>评论：";
    s += std::to_string(work.comments);
    s += "</span>\n"
         "\t\t<a href=\"/u/";
    s += member.number;
    s += "\">";
    s += member.nickname;
    s += "</a>\n"
         "\t</div>\n"
         "</div>\n";
    s += siteFooter();
    return withCrLf(s);
}

std::string songListPage(const Member* member, int pageIndex) {
    constexpr int kPerPage = 20;
    std::string items;
    const int total = member ? member->works : 0;
    const int first = pageIndex * kPerPage;
    for (int i = first; member && pageIndex >= 0 && i < total && i < first + kPerPage; ++i) {
        if (!items.empty()) items += ",";
        items += songItem(*member, workAt(*member, i));
    }
    const bool more = member && pageIndex >= 0 && first + kPerPage < total;
    return "{" + json("status", 1) + "," + json("msg", "") + "," + json("total", total) + "," +
           json("pageNum", pageIndex) + ",\"list\":[" + items + "]," + json("hasMore", more ? 1 : 0) + "}";
}

std::string badSongListRequest() {
    // "参数错误", escaped as the service escapes everything.
    return "{" + json("status", 0) + "," + json("msg", "\\u53c2\\u6570\\u9519\\u8bef") + ",\"list\":[]}";
}

std::string notFoundPage() {
    return withCrLf(
        "<html>\n<head><title>404 Not Found</title></head>\n<body>\n"
        "<center><h1>404 Not Found</h1></center>\n<hr><center>Vokari</center>\n</body>\n</html>\n");
}

std::string serverErrorPage() {
    return withCrLf(
        "<html>\n<head><title>500 Internal Server Error</title></head>\n<body>\n"
        "<center><h1>500 Internal Server Error</h1></center>\n<hr><center>Vokari</center>\n</body>\n</html>\n");
}

std::string playerPlaceholder() {
    // SWF 10: the header, an empty frame rectangle (5 bits of zero), 24 frames
    // a second, one frame, then ShowFrame and End.
    std::string body("\x00\x00\x18\x01\x00\x40\x00\x00\x00", 9);
    std::string movie("FWS\x0A", 4);
    const auto length = static_cast<std::uint32_t>(8 + body.size());
    for (int shift = 0; shift < 32; shift += 8) movie.push_back(static_cast<char>((length >> shift) & 0xFF));
    return movie + body;
}

std::string fillerLine(std::uint64_t lineNumber) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "<!-- %012llu cache block: nothing to see here, keep scrolling -->\r\n",
                  static_cast<unsigned long long>(lineNumber));
    return buf;
}

}  // namespace vokari::sim
