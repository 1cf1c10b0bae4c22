// The simulator's sample catalogue: who the members are, what works they have,
// and what the service says about each. Everything is computed from a small
// table and a few number rules, so the same member number always gives the
// same pages and the same MP3 bytes, and a test can ask this header what to
// expect instead of copying values by hand.
//
// Texts here are UTF-8; the server encodes them into each page's own charset.
#pragma once

#include "sim/media.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vokari::sim {

// What a member's HTML pages declare in their meta element, and the bytes
// they are sent in: "utf-8", "gbk" or upper-case "GBK".
enum class PageCharset { Utf8, Gbk, GbkUpper };

// Where a song page's `var a="..."` audio address points.
enum class AudioKind {
    MediaHost,        // http://<host>/userdata/userwork/<workid>.mp3
    OtherHostWithId,  // another host name, a path that still holds the work id
    WithoutId,        // an address on the media host that lacks the work id
    None,             // the page's script has no `var a="..."` at all
};

// Faults the server can put on a reply.
enum class FaultMode {
    None = 0,
    Reset = 1,           // headers and half the body, then a TCP reset
    Stall = 2,           // nothing at all for the stall time, then the normal reply
    ServerError = 3,     // status 500 with an error page
    Garbage = 4,         // bytes that are not HTTP at all, then close
    Binary = 5,          // status 200, text/html, random bytes as the body
    Huge = 6,            // the normal body followed by tens of megabytes of filler
    ZeroByte = 7,        // the normal page with a zero byte before its markers
    UnknownCharset = 8,  // the page declares a charset label nobody knows
    RedirectLoop = 9,    // 302 back to the same address, forever
};
inline constexpr int kFaultModeCount = 9;

// Which resource of a fault member carries its fault.
enum class FaultTarget { Profile = 1, SongList = 2, SongPage = 3, Mp3 = 4, Picture = 5 };
inline constexpr int kFaultTargetCount = 5;

std::string_view faultModeName(FaultMode mode);
std::optional<FaultMode> faultModeFromName(std::string_view name);

struct Member {
    std::string number;         // the home-page number: /u/<number>
    std::string userId;         // `var userid = '...'`, used by the song-list pages
    int works = 0;              // how many works the song list really holds
    std::string workCountText;  // `var worknum = <text>;` as written on the page
    PageCharset charset = PageCharset::Gbk;
    std::string nickname;
    int follows = 0;
    int fans = 0;
    std::string purpose;
    FaultMode fault = FaultMode::None;
    FaultTarget faultTarget = FaultTarget::Profile;
};

struct Work {
    std::int64_t workId = 0;
    std::string enWorkId;     // the song page is /s/<enWorkId>
    int index = 0;            // 0-based position in the member's song list
    std::string name;         // the song name, decoded
    std::string escapedName;  // exactly what follows `"songname":"` in the list
    std::string title;        // exactly what stands between <title> and " Vokari,音符随心飞"
    AudioKind audio = AudioKind::MediaHost;
    int listens = 0;
    int flowers = 0;
    int forwards = 0;
    int comments = 0;
};

// Member numbers with a fixed role. README.md describes each one.
namespace members {
inline constexpr std::string_view kNoWorks = "10000";
inline constexpr std::string_view kOneWork = "10001";
inline constexpr std::string_view kOnePage = "10020";
inline constexpr std::string_view kOnePageAndOne = "10021";
inline constexpr std::string_view kTwoPages = "10040";
inline constexpr std::string_view kTwoPagesAndOne = "10041";
inline constexpr std::string_view kTrailingWorkCount = "10035";
inline constexpr std::string_view kBigMedia = "10050";
inline constexpr std::string_view kSpecial = "10777";
inline constexpr std::string_view kThousand = "11000";
inline constexpr std::string_view kMissing = "99999";
}  // namespace members

// The rows of the fixed table, in order (synthetic and fault members excluded).
std::vector<Member> tableMembers();

// A member by number: a table row, a fault member (40000 + 10 * mode + target)
// or a synthetic one (2000000 + N has N works). Anything else is no member.
std::optional<Member> findMember(std::string_view number);
std::optional<Member> findMemberByUserId(std::string_view userId);

std::string faultMemberNumber(FaultMode mode, FaultTarget target);
inline constexpr int kMaxSyntheticWorks = 999999;
std::string syntheticMemberNumber(int works);

// The member's works, in song-list order. workAt() is for large members.
std::vector<Work> worksOf(const Member& member);
Work workAt(const Member& member, int index);

// A work by its song page code, with the member that owns it.
struct OwnedWork {
    Member member;
    Work work;
};
std::optional<OwnedWork> findWork(std::string_view enWorkId);
std::optional<OwnedWork> findWorkById(std::int64_t workId);

// The address the song page's `var a="..."` holds for a request that named
// `host` (host or host:port) in its Host line; empty for AudioKind::None.
std::string pageAudioAddress(const Work& work, std::string_view host);
// The path on this server that serves the bytes of OtherHostWithId works.
std::string otherHostAudioPath(const Work& work);

// The recording served at /userdata/userwork/<workid>.mp3. The big-media work
// is about 50 MB; every other work is a few kilobytes. mp3Bytes() is all of it.
Mp3Recording mp3Recording(const Work& work);
std::string mp3Bytes(const Work& work);
// The member picture: its path, and the exact PNG bytes served there.
std::string picturePath(const Member& member);
std::string pictureBytes(const Member& member);

}  // namespace vokari::sim
