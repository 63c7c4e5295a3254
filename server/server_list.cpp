#include "server_list.h"

#include "scrambler.h"

namespace kvt::server {

std::string serverListDocument(const Catalogue& areas) {
    std::string document;
    for (const AreaEntry& area : areas) {
        document += "[" + area.name + "]\r\n";
        for (const LineEntry& line : area.lines) {
            document += line.name + "=" + scrambleShort(line.address) + "," + line.onlineRate +
                        ",0," + line.markNum + ",0\r\n";
        }
    }
    return document;
}

} // namespace kvt::server
