// Whether a server certificate's name stands for the host a URL names:
// compared without case, a "*" only as the whole leftmost label of a name
// with at least three labels, matching exactly one label of a host name
// (never of an address). Plain functions over bytes.
#pragma once
#include <string_view>

bool host_is_address(std::string_view host);   // dotted IPv4
bool certificate_name_matches(std::string_view pattern, std::string_view host);
