# The same conversion as a gawk program, for the benchmark: run with LC_ALL=C so that
# bytes stay bytes. RT tells whether a line ended in LF, like the program's CR rule.
BEGIN { ORS = "" }
{
    if (RT == "\n") sub(/\r$/, "")
    gsub(/^ +| +$/, "")
    if ($0 == "") next
    if (length($0) < 9) exit 1
    name = substr($0, 10, 58)
    gsub(/^ +| +$/, "", name)
    n = length($0)
    method = n > 18 ? substr($0, n - 17, 2) : substr($0, 1, 2)
    key = substr($0, 1, 8)
    if (!(key in seen)) {
        seen[key] = 1
        print (count++ ? "\n" : "") key ";" name ";" method
    }
}
