# Writes the PNG fuzzer's seed corpus into the directory given: small valid pictures of every colour
# type, bit depth and option the loader treats differently, and the small bad files of the end-to-end
# tests. Generated at build time, so no binary files live in the repository.
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import pictures  # noqa: E402

if __name__ == "__main__":
    pictures.write_all(sys.argv[1], pictures.seeds())
