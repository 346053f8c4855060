# Thin shortcuts around the scripts that install, build and run.
.PHONY: demo check build deb clean fuzz bench unload-check

demo:
	bash scripts/demo.sh

check:
	bash scripts/check.sh

build:
	bash scripts/deps.sh
	cmake -S . -B build -G Ninja
	cmake --build build

# The Debian packages, into build-deb/packages/.
deb:
	bash scripts/deb.sh

# Each fuzz target for FUZZ_SECONDS (default 60).
fuzz:
	bash scripts/fuzz.sh $(FUZZ_SECONDS)

# The benchmark table (bridge against its floors).
bench:
	bash scripts/bench.sh

# 1,000 load/unload cycles under valgrind.
unload-check:
	bash scripts/unload_check.sh

clean:
	rm -rf build build-deb
