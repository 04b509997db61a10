// Amounts as the user types them, in the voucher entry, on the command line and in the import.
#include "FuzzSupport.h"
#include "app/Currency.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(fuzz::bytes(data, size));
    const auto value = Currency::parse(text);
    if (!value)
        return 0;
    // An amount that was accepted reads back the same from the plain form the program writes.
    const auto again = Currency::parse(value->toPlainString());
    if (!again || *again != *value)
        fuzz::fail("amount does not read back from its plain text");
    // Its negative reads as the negative.
    const std::int64_t magnitude = value->units() < 0 ? -value->units() : value->units();
    const auto negative = Currency::parse(QStringLiteral("-") + value->toPlainString().remove(QLatin1Char('-')));
    if (!negative || negative->units() != -magnitude)
        fuzz::fail("negative amount does not read back");
    return 0;
}
