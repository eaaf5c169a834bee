/* The one export macro: the component is built with hidden symbols, and only its contract
 * (the C interface and the request class) is visible to hosts. Usable from C. */
#ifndef TKV418_EXPORT_H
#define TKV418_EXPORT_H

#if defined(__GNUC__)
#define TKV418_EXPORT __attribute__((visibility("default")))
#else
#define TKV418_EXPORT
#endif

#endif
