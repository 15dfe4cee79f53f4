/* GENERATESHEET_EXPORT marks what libgeneratesheet.so exports: the classes
 * and functions of the headers in include/generatesheet/.  The library is
 * compiled with hidden visibility, so everything else stays inside it;
 * GENERATESHEET_NO_EXPORT keeps a public class's private parts (its Impl)
 * inside too. */
#ifndef GENERATESHEET_EXPORT_H_
#define GENERATESHEET_EXPORT_H_

#if !defined(GENERATESHEET_EXPORT)
#if defined(__GNUC__)
#define GENERATESHEET_EXPORT __attribute__((visibility("default")))
#define GENERATESHEET_NO_EXPORT __attribute__((visibility("hidden")))
#else
#define GENERATESHEET_EXPORT
#define GENERATESHEET_NO_EXPORT
#endif
#endif

#endif /* GENERATESHEET_EXPORT_H_ */
