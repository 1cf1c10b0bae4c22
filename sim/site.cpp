#include "sim/site.h"

#include "sim/pages.h"

#include <charconv>

namespace vokari::sim {

namespace {

constexpr std::string_view kProfilePrefix = "/u/";
constexpr std::string_view kSongListPath = "/member/personcenter/loadmore.php";
constexpr std::string_view kSongPagePrefix = "/s/";
constexpr std::string_view kMediaPrefix = "/userdata/userwork/";
constexpr std::string_view kOtherHostPrefix = "/cdn/listen/";
constexpr std::string_view kPicturePrefix = "/userdata/avatar/";
constexpr std::string_view kPlayerPath = "/play/swf/03.swf";

std::string htmlType(PageCharset charset) { return "text/html; charset=" + std::string(charsetLabel(charset)); }

std::optional<std::int64_t> wholeNumber(std::string_view text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

// "<prefix><middle><suffix>" gives middle; anything else gives nothing.
std::optional<std::string_view> between(std::string_view path, std::string_view prefix, std::string_view suffix) {
    if (path.size() < prefix.size() + suffix.size() || !path.starts_with(prefix) || !path.ends_with(suffix))
        return std::nullopt;
    return path.substr(prefix.size(), path.size() - prefix.size() - suffix.size());
}

Reply notFound() {
    Reply r;
    r.status = 404;
    r.contentType = "text/html";
    r.body = notFoundPage();
    return r;
}

Reply profile(std::string_view number, const std::string& host) {
    Reply r;
    r.resource = Resource::Profile;
    r.owner = findMember(number);
    // A number that belongs to nobody still gets the site's page, only
    // without any of the member's fields: the service answers 200 here.
    const PageCharset charset = r.owner ? r.owner->charset : PageCharset::Gbk;
    r.contentType = htmlType(charset);
    const std::string_view label = charsetLabel(charset);
    r.body = encodePage(r.owner ? profilePage(*r.owner, host, label) : noSuchMemberPage(number, label), charset);
    return r;
}

Reply songList(const SiteRequest& request) {
    Reply r;
    r.resource = Resource::SongList;
    r.contentType = "text/html; charset=utf-8";
    const auto param = [&](const char* key) -> std::optional<std::string> {
        const auto it = request.params.find(key);
        if (it == request.params.end()) return std::nullopt;
        return it->second;
    };
    const auto userId = param("userid");
    const auto page = param("pageNum");
    const auto pageIndex = page ? wholeNumber(*page) : std::nullopt;
    if (!userId || !pageIndex || *pageIndex < 0 || *pageIndex > 1000000) {
        r.body = badSongListRequest();
        return r;
    }
    r.owner = findMemberByUserId(*userId);
    r.body = songListPage(r.owner ? &*r.owner : nullptr, static_cast<int>(*pageIndex));
    return r;
}

Reply song(std::string_view enWorkId, const std::string& host) {
    auto found = findWork(enWorkId);
    if (!found) return notFound();
    Reply r;
    r.resource = Resource::SongPage;
    const PageCharset charset = found->member.charset;
    r.contentType = htmlType(charset);
    r.body = encodePage(songPage(found->member, found->work, host, charsetLabel(charset)), charset);
    r.owner = std::move(found->member);
    return r;
}

Reply mp3(std::string_view workId) {
    const auto id = wholeNumber(workId);
    auto found = id ? findWorkById(*id) : std::nullopt;
    if (!found) return notFound();
    Reply r;
    r.resource = Resource::Mp3;
    r.contentType = "audio/mpeg";
    r.recording = mp3Recording(found->work);
    r.owner = std::move(found->member);
    return r;
}

Reply picture(std::string_view userId) {
    auto member = findMemberByUserId(userId);
    if (!member) return notFound();
    Reply r;
    r.resource = Resource::Picture;
    r.contentType = "image/png";
    r.body = pictureBytes(*member);
    r.owner = std::move(member);
    return r;
}

Reply player() {
    Reply r;
    r.resource = Resource::Player;
    r.contentType = "application/x-shockwave-flash";
    r.body = playerPlaceholder();
    return r;
}

}  // namespace

Reply serveSite(const SiteRequest& request) {
    const std::string_view path = request.path;
    if (auto number = between(path, kProfilePrefix, ""); number && number->find('/') == std::string_view::npos)
        return profile(*number, request.host);
    if (path == kSongListPath) return songList(request);
    if (auto code = between(path, kSongPagePrefix, "")) return song(*code, request.host);
    if (auto id = between(path, kMediaPrefix, ".mp3")) return mp3(*id);
    if (auto id = between(path, kOtherHostPrefix, "_128k.mp3")) return mp3(*id);
    if (auto id = between(path, kPicturePrefix, "_big.png")) return picture(*id);
    if (path == kPlayerPath) return player();
    return notFound();
}

bool memberFaultApplies(const Member& member, Resource resource) {
    switch (member.faultTarget) {
    case FaultTarget::Profile: return resource == Resource::Profile;
    case FaultTarget::SongList: return resource == Resource::SongList;
    case FaultTarget::SongPage: return resource == Resource::SongPage;
    case FaultTarget::Mp3: return resource == Resource::Mp3;
    case FaultTarget::Picture: return resource == Resource::Picture;
    }
    return false;
}

}  // namespace vokari::sim
