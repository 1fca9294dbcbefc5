# The two commands of the README, and a few for developers. Each sets itself up on a fresh machine.
.PHONY: check demo deps native win64 win32 test wine-test wine32-test fuzz bench clean

check:
	@bash scripts/check.sh

demo:
	@bash scripts/demo.sh

deps:
	@bash scripts/deps.sh

native win64 win32: deps
	cmake --preset $@ && cmake --build --preset $@ -j $$(nproc)

test: native
	ctest --test-dir build/native -j $$(nproc) --output-on-failure

wine-test: win64
	bash scripts/wine-tests.sh win64

wine32-test: win32
	bash scripts/wine-tests.sh win32

fuzz:
	@bash tests/fuzz/run.sh

bench:
	@bash bench/run.sh

clean:
	rm -rf build
