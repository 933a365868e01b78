// The request that can never hang a worker: whatever the server does (answers slowly, never
// answers, trickles its body), the caller has its result when the time-out has passed. The
// workers use it for the property catalogue sources and for pictures.
#pragma once

#include "web/fetch.h"

namespace kestrune {

// One GET or POST (an empty method means GET; any other method sends nothing and gives an empty
// result) with the agent "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)". Completes the
// header lines (each ending CR LF) with Accept, Referer and Accept-Language unless present in any
// letter case; a POST with a body also gets Content-Type unless present, and Content-Length. A
// given cookie text goes as a Cookie line; without one (or with storeCookies) the shared store's
// cookies go and the response's are kept there. Gives up, with an empty result, after
// timeoutSeconds (0: 90 s). Returns the body, and the raw headers and the cookies set (strict
// form) when asked. Certificates are verified.
FetchResult FetchGuarded(FetchOptions& options);

}  // namespace kestrune
