#include "sim/catalogue.h"

#include "sim/media.h"

#include <array>
#include <charconv>

namespace vokari::sim {

namespace {

// Every member's user id is its number plus this, so the song-list pages
// (which name the user id) and the profile (which names the number) differ.
constexpr std::int64_t kUserIdOffset = 500000;
// A work id is the user id followed by six digits of 1-based position.
constexpr std::int64_t kWorksPerUser = 1000000;

constexpr std::int64_t kFaultBase = 40000;
constexpr std::int64_t kSyntheticBase = 2000000;
constexpr std::uint64_t kBigMediaSize = 50ull * 1024 * 1024;

struct MemberRow {
    std::string_view number;
    int works;
    std::string_view workCountText;  // empty: the number of works
    PageCharset charset;
    std::string_view nickname;
    int follows;
    int fans;
    std::string_view purpose;
};

// The fixed part of the catalogue. README.md carries the same table.
constexpr std::array kTable{
    MemberRow{members::kNoWorks, 0, "", PageCharset::Utf8, "空空如也", 3, 1, "no works: no song-list page is asked for"},
    MemberRow{members::kOneWork, 1, "", PageCharset::Gbk, "一曲成名", 12, 40, "one work on one page"},
    MemberRow{members::kOnePage, 20, "", PageCharset::GbkUpper, "二十首", 7, 205, "exactly one full page"},
    MemberRow{members::kOnePageAndOne, 21, "", PageCharset::Utf8, "廿一", 0, 0, "a second page with one song"},
    MemberRow{members::kTwoPages, 40, "", PageCharset::Gbk, "四十不惑", 88, 1024, "exactly two full pages"},
    MemberRow{members::kTwoPagesAndOne, 41, "", PageCharset::GbkUpper, "四十一", 5, 6, "a third page with one song"},
    MemberRow{members::kTrailingWorkCount, 35, "35abc", PageCharset::Gbk, "尾巴", 2, 3,
              "work count written with trailing text"},
    MemberRow{members::kBigMedia, 1, "", PageCharset::Utf8, "大文件", 1, 1, "one work whose MP3 is about 50 MB"},
    MemberRow{members::kSpecial, 9, "", PageCharset::Utf8, "特别的你", 77, 777,
              "awkward song names and audio addresses"},
    MemberRow{members::kThousand, 1000, "", PageCharset::Gbk, "千首歌王", 1000, 100000, "a thousand works"},
};

// Plain members draw their names from here, so most lists look like a
// karaoke member's: mostly Chinese, a few English titles.
constexpr std::array<std::string_view, 24> kNamePool{
    "晚风里的灯", "纸飞机",   "雨后的街",   "第七个夏天",   "月台",     "慢慢走",   "蓝色信箱", "听海的人",
    "旧唱片",     "远山",     "十二点零一", "风吹过的地方", "糖果屋",   "小城故事多", "白日梦", "回声",
    "Paper Moon Road", "Quiet Harbor", "星星点灯", "候鸟", "南方以南", "一整个春天", "Morning Tide", "桥边的猫",
};

struct SpecialRow {
    std::string_view name;
    AudioKind audio;
};

// The awkward cases, one per work of members::kSpecial, in list order.
constexpr std::array<SpecialRow, 9> kSpecialWorks{
    SpecialRow{"你好，世界", AudioKind::MediaHost},
    SpecialRow{"Don't Stop Now", AudioKind::MediaHost},
    SpecialRow{"Rock & Roll 摇滚", AudioKind::MediaHost},
    SpecialRow{"A/B\\Live: Why? *Best*", AudioKind::MediaHost},
    SpecialRow{".隐藏的歌", AudioKind::MediaHost},
    SpecialRow{"别处的声音", AudioKind::OtherHostWithId},
    SpecialRow{"没有编号的地址", AudioKind::WithoutId},
    SpecialRow{"无声", AudioKind::None},
    SpecialRow{"你&我's/歌:?*", AudioKind::MediaHost},
};

std::optional<std::int64_t> parseNumber(std::string_view text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty() || text[0] == '+') return std::nullopt;
    // "010001" is not member 10001: numbers have one spelling.
    if (std::to_string(value) != text) return std::nullopt;
    return value;
}

Member fromRow(const MemberRow& row) {
    Member m;
    m.number = std::string(row.number);
    m.userId = std::to_string(*parseNumber(row.number) + kUserIdOffset);
    m.works = row.works;
    m.workCountText = row.workCountText.empty() ? std::to_string(row.works) : std::string(row.workCountText);
    m.charset = row.charset;
    m.nickname = std::string(row.nickname);
    m.follows = row.follows;
    m.fans = row.fans;
    m.purpose = std::string(row.purpose);
    return m;
}

Member generatedMember(std::int64_t number, int works, std::string nickname, std::string purpose) {
    Member m;
    m.number = std::to_string(number);
    m.userId = std::to_string(number + kUserIdOffset);
    m.works = works;
    m.workCountText = std::to_string(works);
    m.charset = PageCharset::Gbk;
    m.nickname = std::move(nickname);
    m.follows = static_cast<int>(number % 97);
    m.fans = static_cast<int>(number % 997);
    m.purpose = std::move(purpose);
    return m;
}

std::optional<Member> faultMember(std::int64_t number) {
    const std::int64_t code = number - kFaultBase;
    const std::int64_t mode = code / 10;
    const std::int64_t target = code % 10;
    if (code < 0 || mode < 1 || mode > kFaultModeCount || target < 1 || target > kFaultTargetCount)
        return std::nullopt;
    Member m = generatedMember(number, 3, "故障测试", "fault member");
    m.fault = static_cast<FaultMode>(mode);
    m.faultTarget = static_cast<FaultTarget>(target);
    return m;
}

// A reversible scramble of work ids into song page codes: multiplication by an
// odd number modulo 2^48, written as nine base-62 digits.
constexpr std::uint64_t kCodeMask = (1ull << 48) - 1;
constexpr std::uint64_t kCodeFactor = 0x9E3779B97F4Bull;  // odd, and large enough to scatter neighbours
constexpr std::uint64_t inverseModulo48(std::uint64_t a) {
    std::uint64_t x = a;  // Newton's iteration doubles the correct low bits each step
    for (int i = 0; i < 6; ++i) x = (x * (2 - a * x)) & kCodeMask;
    return x;
}
constexpr std::uint64_t kCodeInverse = inverseModulo48(kCodeFactor);
static_assert(((kCodeFactor * kCodeInverse) & kCodeMask) == 1);
constexpr std::string_view kDigits62 = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr int kCodeLength = 9;  // 62^9 > 2^48

std::string encodeWorkId(std::int64_t workId) {
    std::uint64_t v = (static_cast<std::uint64_t>(workId) * kCodeFactor) & kCodeMask;
    std::string code(kCodeLength, '0');
    for (int i = kCodeLength - 1; i >= 0; --i) {
        code[static_cast<std::size_t>(i)] = kDigits62[v % 62];
        v /= 62;
    }
    return code;
}

std::optional<std::int64_t> decodeWorkId(std::string_view code) {
    if (code.size() != kCodeLength) return std::nullopt;
    std::uint64_t v = 0;
    for (char c : code) {
        const auto digit = kDigits62.find(c);
        if (digit == std::string_view::npos) return std::nullopt;
        v = v * 62 + digit;
    }
    if (v > kCodeMask) return std::nullopt;
    return static_cast<std::int64_t>((v * kCodeInverse) & kCodeMask);
}

// The escaping a PHP service applies: non-ASCII as \uXXXX (UTF-16 units),
// and the slash and backslash escaped.
std::string escapeForList(std::string_view utf8) {
    std::string out;
    auto unit = [&out](std::uint32_t u) {
        static constexpr char hex[] = "0123456789abcdef";
        out += "\\u";
        for (int shift = 12; shift >= 0; shift -= 4) out.push_back(hex[(u >> shift) & 0xF]);
    };
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            if (c == '/' || c == '\\' || c == '"') out.push_back('\\');
            out.push_back(static_cast<char>(c));
            ++i;
            continue;
        }
        const int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : 1;
        std::uint32_t cp = c & (0x3F >> extra);
        for (int k = 1; k <= extra && i + k < utf8.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += static_cast<std::size_t>(extra) + 1;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            unit(0xD800 + (cp >> 10));
            unit(0xDC00 + (cp & 0x3FF));
        } else {
            unit(cp);
        }
    }
    return out;
}

std::string escapeForHtml(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default: out.push_back(c);
        }
    }
    return out;
}

std::string workName(const Member& member, int index) {
    if (member.number == members::kSpecial) return std::string(kSpecialWorks[static_cast<std::size_t>(index)].name);
    if (member.number == members::kBigMedia) return "现场录音（完整版）";
    const auto seed = static_cast<std::size_t>(*parseNumber(member.number) % 7);
    const auto pick = (static_cast<std::size_t>(index) + seed) % kNamePool.size();
    std::string name(kNamePool[pick]);
    const auto round = static_cast<std::size_t>(index) / kNamePool.size();
    if (round > 0) name += "（" + std::to_string(round + 1) + "）";
    return name;
}

// Counts that look like a community's: many listens, fewer gifts and comments.
int spread(std::int64_t workId, int salt, int range) {
    auto v = static_cast<std::uint64_t>(workId) * 2654435761u + static_cast<std::uint64_t>(salt) * 40503u;
    v ^= v >> 13;
    return static_cast<int>(v % static_cast<std::uint64_t>(range));
}

std::string_view hostNameOf(std::string_view host) {
    if (!host.empty() && host.front() == '[') return host.substr(0, host.find(']') + 1);
    return host.substr(0, host.find(':'));
}

}  // namespace

std::string_view faultModeName(FaultMode mode) {
    switch (mode) {
    case FaultMode::None: return "none";
    case FaultMode::Reset: return "reset";
    case FaultMode::Stall: return "stall";
    case FaultMode::ServerError: return "500";
    case FaultMode::Garbage: return "garbage";
    case FaultMode::Binary: return "binary";
    case FaultMode::Huge: return "huge";
    case FaultMode::ZeroByte: return "nul";
    case FaultMode::UnknownCharset: return "charset";
    case FaultMode::RedirectLoop: return "redirect-loop";
    }
    return "none";
}

std::optional<FaultMode> faultModeFromName(std::string_view name) {
    for (int m = 0; m <= kFaultModeCount; ++m)
        if (faultModeName(static_cast<FaultMode>(m)) == name) return static_cast<FaultMode>(m);
    return std::nullopt;
}

std::vector<Member> tableMembers() {
    std::vector<Member> out;
    for (const MemberRow& row : kTable) out.push_back(fromRow(row));
    return out;
}

std::optional<Member> findMember(std::string_view number) {
    for (const MemberRow& row : kTable)
        if (row.number == number) return fromRow(row);
    const auto value = parseNumber(number);
    if (!value) return std::nullopt;
    if (auto m = faultMember(*value)) return m;
    const std::int64_t synthetic = *value - kSyntheticBase;
    if (synthetic >= 0 && synthetic <= kMaxSyntheticWorks)
        return generatedMember(*value, static_cast<int>(synthetic), "合成歌手", "synthetic member");
    return std::nullopt;
}

std::optional<Member> findMemberByUserId(std::string_view userId) {
    const auto value = parseNumber(userId);
    if (!value || *value < kUserIdOffset) return std::nullopt;
    return findMember(std::to_string(*value - kUserIdOffset));
}

std::string faultMemberNumber(FaultMode mode, FaultTarget target) {
    return std::to_string(kFaultBase + 10 * static_cast<int>(mode) + static_cast<int>(target));
}

std::string syntheticMemberNumber(int works) { return std::to_string(kSyntheticBase + works); }

Work workAt(const Member& member, int index) {
    Work w;
    w.index = index;
    w.workId = *parseNumber(member.userId) * kWorksPerUser + index + 1;
    w.enWorkId = encodeWorkId(w.workId);
    w.name = workName(member, index);
    w.escapedName = escapeForList(w.name);
    w.title = escapeForHtml(w.name) + " - " + member.nickname;
    if (member.number == members::kSpecial) w.audio = kSpecialWorks[static_cast<std::size_t>(index)].audio;
    w.listens = spread(w.workId, 1, 50000);
    w.flowers = spread(w.workId, 2, 300);
    w.forwards = spread(w.workId, 3, 40);
    w.comments = spread(w.workId, 4, 120);
    return w;
}

std::vector<Work> worksOf(const Member& member) {
    std::vector<Work> out;
    out.reserve(static_cast<std::size_t>(member.works));
    for (int i = 0; i < member.works; ++i) out.push_back(workAt(member, i));
    return out;
}

std::optional<OwnedWork> findWorkById(std::int64_t workId) {
    if (workId <= 0) return std::nullopt;
    auto member = findMemberByUserId(std::to_string(workId / kWorksPerUser));
    const auto index = static_cast<int>(workId % kWorksPerUser) - 1;
    if (!member || index < 0 || index >= member->works) return std::nullopt;
    Work work = workAt(*member, index);
    return OwnedWork{std::move(*member), std::move(work)};
}

std::optional<OwnedWork> findWork(std::string_view enWorkId) {
    const auto id = decodeWorkId(enWorkId);
    if (!id) return std::nullopt;
    return findWorkById(*id);
}

std::string pageAudioAddress(const Work& work, std::string_view host) {
    const std::string id = std::to_string(work.workId);
    switch (work.audio) {
    case AudioKind::MediaHost: return "http://" + std::string(host) + "/userdata/userwork/" + id + ".mp3";
    case AudioKind::OtherHostWithId: {
        // Same port, other name: both reach this loopback server.
        const std::string_view name = hostNameOf(host);
        const std::string other = name == "localhost" ? "127.0.0.1" : "localhost";
        return "http://" + other + std::string(host.substr(name.size())) + otherHostAudioPath(work);
    }
    case AudioKind::WithoutId: return "http://" + std::string(host) + "/userdata/userwork/preview/listen.mp3";
    case AudioKind::None: return {};
    }
    return {};
}

std::string otherHostAudioPath(const Work& work) { return "/cdn/listen/" + std::to_string(work.workId) + "_128k.mp3"; }

Mp3Recording mp3Recording(const Work& work) {
    const auto owner = findWorkById(work.workId);
    const bool big = owner && owner->member.number == members::kBigMedia;
    return toneRecording(static_cast<std::uint64_t>(work.workId), "Vokari work " + std::to_string(work.workId),
                         big ? kBigMediaSize : 0);
}

std::string mp3Bytes(const Work& work) { return mp3Recording(work).all(); }

std::string picturePath(const Member& member) { return "/userdata/avatar/" + member.userId + "_big.png"; }
std::string pictureBytes(const Member& member) {
    return pictureFor(static_cast<std::uint64_t>(*parseNumber(member.number)), 96, 96);
}

}  // namespace vokari::sim
