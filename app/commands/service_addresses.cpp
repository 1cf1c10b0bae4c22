#include "app/commands/service_addresses.h"

namespace vokari {

namespace {
Text onHost(const Text& host, const Text& pathAndQuery) { return "http://" + host + pathAndQuery; }
}  // namespace

Text profileAddress(const ServiceHosts& hosts, const Text& memberNumber) {
    return onHost(hosts.web, "/u/" + memberNumber);
}

Text songListAddress(const ServiceHosts& hosts, std::int32_t pageIndex, const Text& userId) {
    return onHost(hosts.web, "/member/personcenter/loadmore.php?ver=1&pageNum=" + numberToText(pageIndex) +
                                 "&type=0&userid=" + userId + "&curuserid=-1");
}

Text songPagePrefix(const ServiceHosts& hosts) { return onHost(hosts.web, "/s/"); }

Text mediaAddress(const ServiceHosts& hosts, const Text& workId) {
    return onHost(hosts.media, "/userdata/userwork/" + workId + ".mp3");
}

Text barePlayerAddress(const ServiceHosts& hosts) { return onHost(hosts.player, "/play/swf/03.swf"); }

Text playerAddress(const ServiceHosts& hosts, const Text& mp3Address, bool loop) {
    // The MP3 address goes in unescaped: the player takes soundFile as given.
    return barePlayerAddress(hosts) + "?soundFile=" + mp3Address +
           (loop ? "&autostart=yes&loop=yes" : "&autostart=yes&loop=no");
}

}  // namespace vokari
