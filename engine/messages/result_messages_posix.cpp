#include <locale.h>
#include <string.h>

#include <cstring>
#include <memory>
#include <type_traits>

#include "result_messages.h"

namespace quenlo {

namespace {

struct LocaleFree {
  void operator()(locale_t locale) const { freelocale(locale); }
};
using Locale = std::unique_ptr<std::remove_pointer_t<locale_t>, LocaleFree>;

// The locale the reason is written in: the user's messages and character
// set, or the C locale where that cannot be had or shown.
Locale ReasonLocale(Charset charset) {
  if (charset == Charset::kUtf8) {
    locale_t user = newlocale(LC_CTYPE_MASK | LC_MESSAGES_MASK, "", locale_t());
    if (user) return Locale(user);
  }
  return Locale(newlocale(LC_ALL_MASK, "C", locale_t()));
}

}  // namespace

std::string SystemReason(int error, Charset charset) {
  const Locale locale = ReasonLocale(charset);
  if (!locale) return std::string();
  std::string reason = strerror_l(error, locale.get());
  // It stands in parentheses after the message's own sentences.
  const std::string full_stop = "\u3002";
  for (;;) {
    if (!reason.empty() && std::strchr(".\r\n ", reason.back())) {
      reason.pop_back();
    } else if (reason.size() >= full_stop.size() &&
               reason.compare(reason.size() - full_stop.size(), full_stop.size(), full_stop) == 0) {
      reason.resize(reason.size() - full_stop.size());
    } else {
      return reason;
    }
  }
}

}  // namespace quenlo
