// What a shared precompiled header is made from: the header alone.
