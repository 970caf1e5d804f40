#pragma once

#include <QString>
#include <array>
#include <cstddef>
#include <string_view>

namespace tracella {

// The maker's web site and the social network. Both sit under the reserved ".test" domain, so no
// address the program opens can lead to someone else's site. The contact address is kept short
// enough for its 120-pixel label.
inline constexpr std::string_view MakerHost = "tracella.test";
inline constexpr std::string_view SocialHost = "social.test";
inline constexpr std::string_view ContactAddress = "info@tracella.test";

// One entry of the links menu: its text and the path of its page on the social network.
struct Link {
  std::string_view MenuText;
  std::string_view Path;
};

inline constexpr std::array<Link, 9> Links{{
    {"Velmora", "/Moravel"},
    {"Quisten", "/Quisten"},
    {"Darrow", "/Darrow"},
    {"Frondel", "/Frondel"},
    {"Maskelo", "/Maskelo"},
    {"Tiberne", "/Tiberne"},
    {"Olvash", "/Olvash"},
    {"Tracella", "/Tracella"},
    {"Pennica", "/Pennica"},
}};

// "http://" + the maker's host + "/donate.html", assembled on every call.
QString DonationAddress();

// The full address of Links[index] on the social network; throws std::out_of_range past the end.
QString LinkAddress(std::size_t index);

}  // namespace tracella
