# Thin shortcuts around the scripts that install, build and run.
.PHONY: demo check build clean

demo:
	bash scripts/demo.sh

check:
	bash scripts/check.sh

build:
	bash scripts/deps.sh
	cmake -S . -B build -G Ninja
	cmake --build build

clean:
	rm -rf build
