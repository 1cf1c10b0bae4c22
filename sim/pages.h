// The service's pages as the simulator writes them: whole documents with the
// head, scripts, styles and noise a real site has around the fields the tool
// cuts out. Builders give UTF-8; encodePage() turns it into the bytes sent.
#pragma once

#include "sim/catalogue.h"

#include <string>
#include <string_view>

namespace vokari::sim {

// The label a page's meta element declares: "utf-8", "gbk" or "GBK".
std::string_view charsetLabel(PageCharset charset);
// UTF-8 text in the page's charset (ICU); characters the charset lacks become '?'.
std::string encodePage(std::string_view utf8, PageCharset charset);

// `host` is what the request's Host line named; addresses in the page use it.
// `label` is the charset the meta element declares.
std::string profilePage(const Member& member, std::string_view host, std::string_view label);
std::string noSuchMemberPage(std::string_view number, std::string_view label);
std::string songPage(const Member& member, const Work& work, std::string_view host, std::string_view label);

// The song-list response for one page index. Pages past the end, and a user id
// that belongs to nobody, give an empty list, as the service does.
std::string songListPage(const Member* member, int pageIndex);
std::string badSongListRequest();

std::string notFoundPage();
std::string serverErrorPage();

// A minimal, valid SWF movie standing in for the web player.
std::string playerPlaceholder();

// Lines of HTML comment used to blow a page up to tens of megabytes.
std::string fillerLine(std::uint64_t lineNumber);

}  // namespace vokari::sim
