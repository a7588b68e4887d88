# Writes SIZE bytes of sample component data to OUTPUT: blocks of seeded
# random text, each followed by a repeat of part of the block before it, so
# that the packed stream holds both literals and matches. The same SIZE
# always gives the same bytes, and a smaller SIZE gives a prefix of a larger.
#   cmake -DSIZE=<bytes> -DOUTPUT=<file> -P make_sample.cmake
set(data "")
set(previous "")
set(seed 1)
string(LENGTH "${data}" length)
while(length LESS SIZE)
  string(RANDOM LENGTH 2048 ALPHABET "abcdefghijklmnopqrstuvwxyzABCDEFGHIJ0123456789 .,;"
         RANDOM_SEED ${seed} block)
  string(APPEND data "${block}${previous}")
  string(SUBSTRING "${block}" 512 1024 previous)
  math(EXPR seed "${seed} + 1")
  string(LENGTH "${data}" length)
endwhile()
string(SUBSTRING "${data}" 0 ${SIZE} data)
file(WRITE "${OUTPUT}" "${data}")
